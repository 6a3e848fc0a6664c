#include "tests/windows/dialog_template.h"

#include <cstring>

namespace {

class Reader {
public:
    Reader(const BYTE* data, size_t size) : p(data), end(data + size), start(data) {}
    bool ok() const { return p <= end; }
    template <class T>
    T Get() {
        T v{};
        if (p + sizeof(T) <= end) std::memcpy(&v, p, sizeof(T));
        p += sizeof(T);
        return v;
    }
    std::wstring Sz() {
        std::wstring s;
        for (WORD c; ok() && (c = Get<WORD>()) != 0;) s += static_cast<wchar_t>(c);
        return s;
    }
    // A string, or 0xFFFF and an ordinal (returned as "#n").
    std::wstring SzOrOrd() {
        if (p + 2 <= end && p[0] == 0xFF && p[1] == 0xFF) {
            Get<WORD>();
            return L"#" + std::to_wstring(Get<WORD>());
        }
        return Sz();
    }
    void AlignDword() {
        while ((p - start) % 4) ++p;
    }
    void Skip(size_t n) { p += n; }

private:
    const BYTE* p;
    const BYTE* end;
    const BYTE* start;
};

std::wstring PredefinedClass(const std::wstring& name) {
    static const wchar_t* const atoms[] = {L"Button",  L"Edit",      L"Static",
                                           L"ListBox", L"ScrollBar", L"ComboBox"};
    if (name.size() > 1 && name[0] == L'#') {
        const int atom = std::stoi(name.substr(1));
        if (atom >= 0x80 && atom <= 0x85) return atoms[atom - 0x80];
    }
    return name;
}

}  // namespace

std::vector<TemplateItem> ReadDialogTemplate(HMODULE module, int dialogId) {
    std::vector<TemplateItem> items;
    const HRSRC res = FindResourceW(module, MAKEINTRESOURCEW(dialogId), MAKEINTRESOURCEW(5));
    const HGLOBAL handle = res ? LoadResource(module, res) : nullptr;
    const auto* data = handle ? static_cast<const BYTE*>(LockResource(handle)) : nullptr;
    if (!data) return items;
    Reader r(data, SizeofResource(module, res));
    if (r.Get<WORD>() != 1 || r.Get<WORD>() != 0xFFFF) return items;  // not DIALOGEX
    r.Get<DWORD>();                                                   // help ID
    r.Get<DWORD>();                                                   // extended style
    const DWORD style = r.Get<DWORD>();
    const WORD count = r.Get<WORD>();
    r.Skip(4 * sizeof(short));
    r.SzOrOrd();  // menu
    r.SzOrOrd();  // class
    r.Sz();       // caption
    if (style & (DS_SETFONT | DS_SHELLFONT)) {
        r.Skip(2 * sizeof(WORD) + 2);
        r.Sz();
    }
    for (WORD i = 0; i < count && r.ok(); ++i) {
        r.AlignDword();
        TemplateItem item;
        r.Get<DWORD>();  // help ID
        r.Get<DWORD>();  // extended style
        item.style = r.Get<DWORD>();
        r.Skip(4 * sizeof(short));
        item.id = r.Get<int>();
        item.className = PredefinedClass(r.SzOrOrd());
        item.text = r.SzOrOrd();
        r.Skip(r.Get<WORD>());
        items.push_back(item);
    }
    if (!r.ok()) items.clear();
    return items;
}
