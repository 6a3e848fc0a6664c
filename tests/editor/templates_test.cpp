// The dialog templates generated from the resource script: their controls against the
// blocks' bindings and the string table, and the layout of the dialogs made from them.
#include <resources.h>

#include <algorithm>
#include <map>

#include "editor_test_util.h"

namespace {

const DialogResource& Template(unsigned id) {
    const DialogResource* d = FindModuleDialog(AttachModule(), id);
    if (!d) throw std::runtime_error("no dialog template " + std::to_string(id));
    return *d;
}

std::vector<const DialogItemResource*> ItemsWithID(const DialogResource& d, int id) {
    std::vector<const DialogItemResource*> found;
    for (size_t i = 0; i < d.count; ++i) {
        if (d.items[i].id == id) found.push_back(&d.items[i]);
    }
    return found;
}

std::vector<std::wstring> TextsInOrder(const DialogResource& d) {
    std::vector<std::wstring> texts;
    for (size_t i = 0; i < d.count; ++i) {
        if (d.items[i].text[0] != L'\0') texts.emplace_back(d.items[i].text);
    }
    return texts;
}

TEST(Templates, DialogsAreChildRolloutsOfTheDesignedSize) {
    for (auto [id, cy] : {std::pair{IDD_PARAMS, 244}, std::pair{IDD_MAPPING, 193}}) {
        const DialogResource& d = Template(id);
        EXPECT_EQ(d.cx, 217);
        EXPECT_EQ(d.cy, cy);
        EXPECT_EQ(d.pointSize, 8);
        EXPECT_STREQ(d.typeface, L"MS Sans Serif");
        EXPECT_STREQ(d.caption, L"");
        EXPECT_EQ(d.style & (WS_CHILD | DS_SETFONT), static_cast<DWORD>(WS_CHILD | DS_SETFONT));
    }
}

// Every control a p_ui entry names exists once, with the class and kind the binding needs;
// every other numbered control is one the dialog procedure handles.
void CheckBindings(const DialogResource& d, ParamBlockDesc2* desc, std::vector<int> extra) {
    std::vector<int> bound = extra;
    for (int i = 0; i < desc->Count(); ++i) {
        const ParamDef& def = desc->GetParamDefByIndex(i);
        if (def.ctrl_type < 0) continue;
        std::vector<const DialogItemResource*> items;
        for (int k = 0; k < def.ctrl_count; ++k) {
            const auto found = ItemsWithID(d, def.ctrl_IDs[k]);
            ASSERT_EQ(found.size(), 1u) << "parameter " << def.ID << " control " << def.ctrl_IDs[k];
            items.push_back(found[0]);
            bound.push_back(def.ctrl_IDs[k]);
        }
        const DialogItemResource& c = *items[0];
        const std::wstring cls = c.className;
        SCOPED_TRACE(testing::Message() << "parameter " << def.ID);
        switch (def.ctrl_type) {
            case TYPE_SPINNER: {
                const DialogItemResource& spin = *items[1];
                EXPECT_EQ(cls, L"CustEdit");
                EXPECT_STREQ(spin.className, L"SpinnerControl");
                // The spinner sits right of its edit field, on the same row.
                EXPECT_GE(spin.x, c.x + c.cx);
                EXPECT_LE(spin.x, c.x + c.cx + 2);
                EXPECT_EQ(spin.y, c.y);
                break;
            }
            case TYPE_SINGLECHEKBOX:
                EXPECT_EQ(cls, L"Button");
                EXPECT_EQ(c.style & BS_TYPEMASK, static_cast<DWORD>(BS_AUTOCHECKBOX));
                EXPECT_STREQ(c.text, L"");
                break;
            case TYPE_COLORSWATCH:
                EXPECT_EQ(cls, L"ColorSwatch");
                break;
            case TYPE_TEXMAPBUTTON:
                EXPECT_EQ(cls, L"CustButton");
                break;
            case TYPE_CHECKBUTTON:
                EXPECT_EQ(cls, L"CustButton");
                EXPECT_EQ(c.cx, 13);
                EXPECT_EQ(c.cy, 12);
                break;
            case TYPE_INT_COMBOBOX:
                EXPECT_EQ(cls, L"ComboBox");
                EXPECT_EQ(c.style & 0x3, static_cast<DWORD>(CBS_DROPDOWNLIST));
                break;
            default:
                ADD_FAILURE() << "unexpected control kind " << def.ctrl_type;
        }
    }
    for (size_t i = 0; i < d.count; ++i) {
        const int id = d.items[i].id;
        if (id == IDC_STATIC) continue;
        EXPECT_NE(std::find(bound.begin(), bound.end(), id), bound.end()) << "stray control " << id;
        EXPECT_EQ(ItemsWithID(d, id).size(), 1u) << "control " << id << " twice";
    }
}

TEST(Templates, EveryBoundControlExistsWithItsKind) {
    AttachModule();
    CheckBindings(Template(IDD_PARAMS), GetScratchParamBlockDesc(), {IDC_HOMEPAGE});
    CheckBindings(Template(IDD_MAPPING), GetXYZParamBlockDesc(), {});
    EXPECT_EQ(GetScratchParamBlockDesc()->dlg_template, IDD_PARAMS);
    EXPECT_EQ(GetXYZParamBlockDesc()->dlg_template, IDD_MAPPING);
}

TEST(Templates, TextsAreTheDesignedOnesTopToBottom) {
    const DialogResource& params = Template(IDD_PARAMS);
    std::vector<std::wstring> expected = {
        L"Size:",       L"Low:",
        L"High:",       L"Type:",
        L"Levels:",     L"Spread:",
        L"Stretch:",    L"Colors",
        L"#1:",         L"#2:",
        L"Erosion",     L"Use:",
        L"Strength:",   L"Scale Factor:",
        L"Bump Delta:", L"Distortion",
        L"Use:",        L"Distortion Map:",
        L"Strength:",   L"QuorvScratches | Version 1.1.3",
        L"Homepage",
    };
    std::vector<std::wstring> texts = TextsInOrder(params);
    ASSERT_EQ(texts.size(), expected.size() + 1);  // and the credit line last
    EXPECT_FALSE(texts.back().empty());
    texts.pop_back();
    EXPECT_EQ(texts, expected);

    const DialogResource& mapping = Template(IDD_MAPPING);
    expected = {L"Type:",    L"Map Channel:", L"Transform",    L"Offset",       L"Size",
                L"Tiling",   L"Angle\u00B0",  L"X:",           L"Y:",           L"Z:",
                L"Variance", L"Offset",       L"Size",         L"Angle\u00B0",  L"X:",
                L"Y:",       L"Z:",           L"Random Seed:", L"By Material:", L"By Object:"};
    EXPECT_EQ(TextsInOrder(mapping), expected);
}

TEST(Templates, LabelsOfParametersMatchTheStringTable) {
    AttachModule();
    const std::pair<unsigned, std::vector<std::pair<std::wstring, int>>> labels[] = {
        {IDD_PARAMS,
         {{L"Size:", IDS_SIZE},
          {L"Levels:", IDS_LEVELS},
          {L"Spread:", IDS_SPREAD},
          {L"Stretch:", IDS_STRETCH},
          {L"Type:", IDS_TYPE},
          {L"Erosion", IDS_EROSION},
          {L"Bump Delta:", IDS_BUMP_DELTA},
          {L"Distortion Map:", IDS_DISTORT_MAP}}},
        {IDD_MAPPING, {{L"Map Channel:", IDS_MAP_CHANNEL}, {L"Random Seed:", IDS_RANDOM_SEED}}},
    };
    for (const auto& [dialog, list] : labels) {
        const std::vector<std::wstring> texts = TextsInOrder(Template(dialog));
        for (const auto& [label, sid] : list) {
            std::wstring plain = label;
            if (plain.back() == L':') plain.pop_back();
            EXPECT_EQ(plain, ModuleText(sid));
            EXPECT_NE(std::find(texts.begin(), texts.end(), label), texts.end()) << label;
        }
    }
    // The footer names the class as the string table does.
    const std::wstring footer = L"QuorvScratches | Version 1.1.3";
    EXPECT_EQ(footer.substr(0, footer.find(L' ')), ModuleText(IDS_CLASS_NAME));
}

bool Overlap(const RECT& a, const RECT& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}
bool Inside(const RECT& inner, const RECT& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

struct Placed {
    HWND hwnd;
    RECT rect;  // in the dialog's client coordinates
    bool group;
};

std::vector<Placed> Controls(HWND dlg) {
    RECT origin{};
    GetWindowRect(dlg, &origin);
    std::vector<Placed> out;
    EnumChildWindows(
        dlg,
        [](HWND h, LPARAM p) -> BOOL {
            auto* list = reinterpret_cast<std::vector<Placed>*>(p);
            RECT r{};
            GetWindowRect(h, &r);
            const bool group = ClassOf(h) == L"Button" &&
                               (GetWindowLongW(h, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX;
            list->push_back(Placed{h, r, group});
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&out));
    for (Placed& p : out) {
        p.rect.left -= origin.left;
        p.rect.right -= origin.left;
        p.rect.top -= origin.top;
        p.rect.bottom -= origin.top;
    }
    return out;
}

using Layout = EditorTest;

// Nothing overlaps, nothing leaves its dialog, and a control is inside a group box or clear
// of it. Checked on the dialogs as made, where a drop-down list is as tall as its field.
TEST_F(Layout, ControlsNeitherOverlapNorLeaveTheDialog) {
    for (const auto& page : editor.Pages()) {
        SCOPED_TRACE(testing::Message()
                     << "rollout " << std::string(page.title.begin(), page.title.end()));
        RECT client{};
        GetClientRect(page.hwnd, &client);
        const std::vector<Placed> controls = Controls(page.hwnd);
        EXPECT_GT(controls.size(), 5u);
        for (size_t i = 0; i < controls.size(); ++i) {
            const Placed& a = controls[i];
            EXPECT_TRUE(Inside(a.rect, client)) << "control " << GetDlgCtrlID(a.hwnd);
            EXPECT_GT(a.rect.right, a.rect.left);
            EXPECT_GT(a.rect.bottom, a.rect.top);
            for (size_t j = i + 1; j < controls.size(); ++j) {
                const Placed& b = controls[j];
                if (a.group != b.group) {
                    const Placed& g = a.group ? a : b;
                    const Placed& c = a.group ? b : a;
                    EXPECT_TRUE(Inside(c.rect, g.rect) || !Overlap(c.rect, g.rect))
                        << "control " << GetDlgCtrlID(c.hwnd) << " crosses group box "
                        << std::string(WindowText(g.hwnd).begin(), WindowText(g.hwnd).end());
                } else {
                    EXPECT_FALSE(Overlap(a.rect, b.rect))
                        << "controls " << i << " (" << GetDlgCtrlID(a.hwnd) << ") and " << j << " ("
                        << GetDlgCtrlID(b.hwnd) << ")";
                }
            }
        }
    }
}

TEST_F(Layout, DialogsMapToTheirDesignedSizeInPixels) {
    RECT r{0, 0, 217, 244};
    ASSERT_TRUE(MapDialogRect(params, &r));
    RECT client{};
    GetClientRect(params, &client);
    EXPECT_EQ(client.right, r.right);
    EXPECT_EQ(client.bottom, r.bottom);
    // Closed combo boxes: the field's height, not the template's list height.
    RECT combo{};
    GetWindowRect(Item(params, IDC_TYPE), &combo);
    EXPECT_LT(combo.bottom - combo.top, 40 * 13 / 8);
}

}  // namespace
