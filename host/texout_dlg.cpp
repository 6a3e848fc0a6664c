// The default texture output's rollout, "Output". The host has no resource script of its own,
// so its dialog template is written in memory, in the layout of a DLGTEMPLATE resource.
#include <vector>

#include "core.h"
#include "iparamb2.h"
#include "parammap_impl.h"
#include "texout_ids.h"

namespace {

// Writes a DLGTEMPLATE with its items; the storage is DWORD-aligned, as Windows requires.
class TemplateWriter {
public:
    TemplateWriter(DWORD style, short cx, short cy) {
        Dword(style | DS_SETFONT);
        Dword(0);
        countAt = words.size();
        Word(0);
        Short(0);
        Short(0);
        Short(cx);
        Short(cy);
        Word(0);  // no menu
        Word(0);  // the dialog class
        Sz(L"");  // no caption
        Word(8);
        Sz(L"MS Sans Serif");
    }

    // A control of a predefined class (its atom) or of a named class.
    void Item(DWORD style, short x, short y, short cx, short cy, int id, WORD atom,
              const wchar_t* className, const wchar_t* text) {
        if (words.size() % 2) Word(0);
        Dword(WS_CHILD | WS_VISIBLE | style);
        Dword(0);
        Short(x);
        Short(y);
        Short(cx);
        Short(cy);
        Word(static_cast<WORD>(id));
        if (atom) {
            Word(0xFFFF);
            Word(atom);
        } else {
            Sz(className);
        }
        Sz(text);
        Word(0);  // no creation data
        ++words[countAt];
    }

    DLGTEMPLATE* Finish() {
        storage.assign((words.size() + 1) / 2, 0);
        for (size_t i = 0; i < words.size(); ++i) {
            const DWORD w = words[i];
            storage[i / 2] |= (i % 2) ? w << 16 : w;
        }
        return reinterpret_cast<DLGTEMPLATE*>(storage.data());
    }

private:
    void Word(WORD w) { words.push_back(w); }
    void Short(short s) { words.push_back(static_cast<WORD>(s)); }
    void Dword(DWORD d) {
        Word(static_cast<WORD>(d & 0xFFFF));
        Word(static_cast<WORD>(d >> 16));
    }
    void Sz(const wchar_t* s) {
        for (; *s; ++s) Word(static_cast<WORD>(*s));
        Word(0);
    }

    std::vector<WORD> words;
    size_t countAt = 0;
    std::vector<DWORD> storage;
};

constexpr WORD kButtonAtom = 0x0080;
constexpr WORD kStaticAtom = 0x0082;

class TexOutDlg : public ParamDlg {
public:
    TexOutDlg(ReferenceTarget* texout, IMtlParams* ip, HWND hwMtlEdit) : thing(texout) {
        TemplateWriter t(WS_CHILD, 217, 46);
        t.Item(BS_AUTOCHECKBOX | WS_TABSTOP, 10, 6, 50, 10, IDC_TEXOUT_INVERT, kButtonAtom, nullptr,
               L"Invert");
        const struct {
            const wchar_t* label;
            int edit, spin;
            short y;
        } rows[] = {
            {L"Output Amount:", IDC_TEXOUT_AMOUNT_EDIT, IDC_TEXOUT_AMOUNT_SPIN, 4},
            {L"RGB Offset:", IDC_TEXOUT_OFFSET_EDIT, IDC_TEXOUT_OFFSET_SPIN, 17},
            {L"RGB Level:", IDC_TEXOUT_LEVEL_EDIT, IDC_TEXOUT_LEVEL_SPIN, 30},
        };
        for (const auto& row : rows) {
            t.Item(SS_RIGHT, 90, static_cast<short>(row.y + 1), 70, 8, -1, kStaticAtom, nullptr,
                   row.label);
            t.Item(WS_TABSTOP, 162, row.y, 36, 10, row.edit, 0, L"CustEdit", L"");
            t.Item(0, 199, row.y, 7, 10, row.spin, 0, L"SpinnerControl", L"");
        }
        IParamBlock2* pb = texout ? texout->GetParamBlock(0) : nullptr;
        map = CreateMParamMap2(pb, ip, nullptr, hwMtlEdit, t.Finish(), _M("Output"), 0);
    }

    Class_ID ClassID() override { return thing ? thing->ClassID() : Class_ID(); }
    // Only a texture output can be shown here.
    void SetThing(ReferenceTarget* m) override {
        if (!m || m->SuperClassID() != TEXOUTPUT_CLASS_ID) return;
        thing = m;
        if (map) map->SetParamBlock(m->GetParamBlock(0));
    }
    ReferenceTarget* GetThing() override { return thing; }
    void SetTime(TimeValue t) override {
        if (map) map->UpdateUI(t);
    }
    void ReloadDialog() override {
        if (map) map->Invalidate();
    }
    void DeleteThis() override {
        if (map) DestroyMParamMap2(map);
        delete this;
    }
    void ActivateDlg(BOOL) override {}

private:
    ReferenceTarget* thing;
    IParamMap2* map = nullptr;
};

}  // namespace

ParamDlg* CreateTexOutParamDlg(ReferenceTarget* texout, HWND hwMtlEdit, IMtlParams* ip) {
    if (!texout || !ip) return nullptr;
    return new TexOutDlg(texout, ip, hwMtlEdit);
}
