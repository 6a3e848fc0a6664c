// Rollouts of parameter blocks (IParamMap2) and the master dialog of an object's editor.
// A rollout is a dialog made by the editor; its dialog procedure binds the controls named by
// the descriptor's p_ui entries to the block and passes every message on to the user dialog
// procedure. Everything here runs on the user-interface thread.
#include <algorithm>
#include <cfloat>
#include <vector>

#include "core.h"
#include "iparamb2.h"
#include "parammap_impl.h"
#include "paramtypes.h"

namespace {

class RolloutMap;

std::vector<RolloutMap*>& OpenMaps() {
    static std::vector<RolloutMap*> maps;
    return maps;
}

INT_PTR CALLBACK RolloutProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);

class RolloutMap : public IParamMap2 {
public:
    RolloutMap(IParamBlock2* pb, IMtlParams* editor, ParamMap2UserDlgProc* userProc)
        : pblock(pb), desc(pb->GetDesc()), ip(editor), proc(userProc) {
        OpenMaps().push_back(this);
        pblock->SetMap(this);
    }

    ~RolloutMap() override {
        if (hwnd && ip) ip->DeleteRollupPage(hwnd);
        hwnd = nullptr;
        DropProc(proc);
        proc = nullptr;
        if (pblock && pblock->GetMap(0) == this) pblock->SetMap(nullptr);
        auto& maps = OpenMaps();
        maps.erase(std::remove(maps.begin(), maps.end(), this), maps.end());
    }

    void Opened(HWND h) { hwnd = h; }
    void DetachProc() { proc = nullptr; }
    void BlockDeleted(IParamBlock2* block) {
        if (pblock == block) pblock = nullptr;
    }

    // --- IParamMap2
    void Enable(ParamID id, BOOL onOff, int) override {
        const ParamDef* def = Def(id);
        if (!hwnd || !def) return;
        for (int k = 0; k < def->ctrl_count; ++k) {
            if (HWND ctrl = GetDlgItem(hwnd, def->ctrl_IDs[k])) EnableWindow(ctrl, onOff);
        }
    }
    IParamBlock2* GetParamBlock() override { return pblock; }
    void SetParamBlock(IParamBlock2* pb) override {
        if (pb == pblock) return;
        if (pb && pb->GetDesc() != desc) return;  // another kind of block has other controls
        if (pblock && pblock->GetMap(0) == this) pblock->SetMap(nullptr);
        pblock = pb;
        if (pblock) pblock->SetMap(this);
        UpdateUI(Time());
    }
    ParamBlockDesc2* GetDesc() override { return desc; }
    HWND GetHWnd() override { return hwnd; }
    void SetUserDlgProc(ParamMap2UserDlgProc* p) override {
        if (p == proc) return;
        ParamMap2UserDlgProc* old = proc;
        proc = p;
        DropProc(old);
        if (proc && hwnd) proc->DlgProc(Time(), this, hwnd, WM_INITDIALOG, 0, 0);
    }
    ParamMap2UserDlgProc* GetUserDlgProc() override { return proc; }
    void Invalidate(ParamID id, int) override {
        if (id == -1) {
            UpdateUI(Time());
        } else if (desc->IDtoIndex(id) >= 0) {
            ShowValue(desc->GetParamDefByIndex(desc->IDtoIndex(id)), Time());
        }
    }
    void UpdateUI(TimeValue t) override {
        for (int i = 0; i < desc->Count(); ++i) ShowValue(desc->GetParamDefByIndex(i), t);
    }

    INT_PTR Message(HWND h, UINT msg, WPARAM wParam, LPARAM lParam) {
        const TimeValue t = Time();
        switch (msg) {
            case WM_INITDIALOG:
                hwnd = h;
                SetupControls();
                UpdateUI(t);
                break;
            case WM_COMMAND:
                Command(LOWORD(wParam), HIWORD(wParam), t);
                break;
            case CC_SPINNER_CHANGE:
                SpinnerChanged(LOWORD(wParam), t);
                break;
            case CC_COLOR_CHANGE:
                SwatchChanged(LOWORD(wParam), t);
                break;
            default:
                break;
        }
        INT_PTR result = msg == WM_INITDIALOG ? TRUE : FALSE;
        if (proc) {
            const INT_PTR r = proc->DlgProc(t, this, h, msg, wParam, lParam);
            if (msg != WM_INITDIALOG) result = r;
        }
        // The dialog is gone after this message: nothing may reach it any more.
        if (msg == WM_NCDESTROY) hwnd = nullptr;
        return result;
    }

    static bool Owns(ParamMap2UserDlgProc* p) {
        if (!p) return false;
        for (RolloutMap* m : OpenMaps()) {
            if (m->proc == p) return true;
        }
        return false;
    }

private:
    TimeValue Time() { return ip ? ip->GetTime() : GetCOREInterface()->GetTime(); }

    const ParamDef* Def(ParamID id) {
        const int i = desc->IDtoIndex(id);
        return i >= 0 ? &desc->GetParamDefByIndex(i) : nullptr;
    }

    // The descriptor must not keep a procedure that is deleted.
    void DropProc(ParamMap2UserDlgProc* p) {
        if (!p) return;
        if (desc->dlgProc == p) desc->dlgProc = nullptr;
        p->DeleteThis();
    }

    HWND Ctrl(const ParamDef& d, int k) { return GetDlgItem(hwnd, d.ctrl_IDs[k]); }

    void SetupControls() {
        for (int i = 0; i < desc->Count(); ++i) {
            const ParamDef& d = desc->GetParamDefByIndex(i);
            switch (d.ctrl_type) {
                case TYPE_SPINNER:
                    if (ISpinnerControl* spin = GetISpinner(Ctrl(d, 1))) {
                        const bool isInt = KindOf(d.type) == ValueKind::Int;
                        float lo = -FLT_MAX, hi = FLT_MAX;
                        if (d.has_range) {
                            lo = isInt ? static_cast<float>(d.range_low.i) : d.range_low.f;
                            hi = isInt ? static_cast<float>(d.range_high.i) : d.range_high.f;
                        }
                        spin->LinkToEdit(Ctrl(d, 0), d.edit_type);
                        spin->SetLimits(lo, hi, FALSE);
                        if (d.scale == SPIN_AUTOSCALE) {
                            spin->SetAutoScale(TRUE);
                        } else {
                            spin->SetScale(d.scale);
                        }
                        ReleaseISpinner(spin);
                    }
                    break;
                case TYPE_CHECKBUTTON:
                case TYPE_TEXMAPBUTTON:
                    if (ICustButton* b = GetICustButton(Ctrl(d, 0))) {
                        b->SetType(d.ctrl_type == TYPE_CHECKBUTTON ? CBT_CHECK : CBT_PUSH);
                        ReleaseICustButton(b);
                    }
                    break;
                case TYPE_INT_COMBOBOX:
                    if (!d.combo_string_IDs.empty() && desc->cd) {
                        const HWND combo = Ctrl(d, 0);
                        SendMessageW(combo, CB_RESETCONTENT, 0, 0);
                        for (int sid : d.combo_string_IDs) {
                            SendMessageW(combo, CB_ADDSTRING, 0,
                                         reinterpret_cast<LPARAM>(desc->cd->GetRsrcString(sid)));
                        }
                    }
                    break;
                default:
                    break;
            }
        }
    }

    void ShowValue(const ParamDef& d, TimeValue t) {
        if (!hwnd || !pblock || d.ctrl_type < 0) return;
        Interval iv = FOREVER;
        int i = 0;
        float f = 0.0f;
        switch (d.ctrl_type) {
            case TYPE_SPINNER:
                if (ISpinnerControl* spin = GetISpinner(Ctrl(d, 1))) {
                    if (KindOf(d.type) == ValueKind::Int) {
                        pblock->GetValue(d.ID, t, i, iv);
                        spin->SetValue(i, FALSE);
                    } else {
                        pblock->GetValue(d.ID, t, f, iv);
                        spin->SetValue(f, FALSE);
                    }
                    ReleaseISpinner(spin);
                }
                break;
            case TYPE_SINGLECHEKBOX:
                pblock->GetValue(d.ID, t, i, iv);
                CheckDlgButton(hwnd, d.ctrl_IDs[0], i ? BST_CHECKED : BST_UNCHECKED);
                break;
            case TYPE_INT_COMBOBOX:
                pblock->GetValue(d.ID, t, i, iv);
                SendMessageW(Ctrl(d, 0), CB_SETCURSEL, static_cast<WPARAM>(i), 0);
                break;
            case TYPE_CHECKBUTTON:
                if (ICustButton* b = GetICustButton(Ctrl(d, 0))) {
                    pblock->GetValue(d.ID, t, i, iv);
                    b->SetCheck(i != 0);
                    ReleaseICustButton(b);
                }
                break;
            case TYPE_TEXMAPBUTTON:
                if (ICustButton* b = GetICustButton(Ctrl(d, 0))) {
                    ReferenceTarget* r = nullptr;
                    pblock->GetValue(d.ID, t, r, iv);
                    b->SetText(MapName(r));
                    ReleaseICustButton(b);
                }
                break;
            case TYPE_COLORSWATCH:
                if (IColorSwatch* s = GetIColorSwatch(Ctrl(d, 0))) {
                    Color c;
                    pblock->GetValue(d.ID, t, c, iv);
                    s->SetAColor(AColor(c.r, c.g, c.b, 1.0f), FALSE);
                    ReleaseIColorSwatch(s);
                }
                break;
            default:
                break;
        }
    }

    MSTR MapName(ReferenceTarget* r) {
        if (!r) return MSTR(_M("None"));
        MSTR name;
        if (r->SuperClassID() == TEXMAP_CLASS_ID || r->SuperClassID() == MATERIAL_CLASS_ID)
            name = static_cast<MtlBase*>(r)->GetName();
        if (name.isNull()) r->GetClassName(name);
        return name;
    }

    // A control changed by the user: its value goes to the block, then the editor hears.
    void Command(int id, int code, TimeValue t) {
        if (!pblock) return;
        for (int i = 0; i < desc->Count(); ++i) {
            const ParamDef& d = desc->GetParamDefByIndex(i);
            if (d.ctrl_count < 1 || d.ctrl_IDs[0] != id) continue;
            bool changed = false;
            if (d.ctrl_type == TYPE_SINGLECHEKBOX && code == BN_CLICKED) {
                changed = pblock->SetValue(d.ID, t, IsDlgButtonChecked(hwnd, id) ? 1 : 0) != FALSE;
            } else if (d.ctrl_type == TYPE_INT_COMBOBOX && code == CBN_SELCHANGE) {
                const LRESULT sel = SendMessageW(Ctrl(d, 0), CB_GETCURSEL, 0, 0);
                if (sel != CB_ERR)
                    changed = pblock->SetValue(d.ID, t, static_cast<int>(sel)) != FALSE;
            } else if (d.ctrl_type == TYPE_CHECKBUTTON && code == BN_BUTTONUP) {
                if (ICustButton* b = GetICustButton(Ctrl(d, 0))) {
                    changed = pblock->SetValue(d.ID, t, b->IsChecked() ? 1 : 0) != FALSE;
                    ReleaseICustButton(b);
                }
            }
            if (changed && ip) ip->MtlChanged();
            return;
        }
    }

    void SpinnerChanged(int id, TimeValue t) {
        if (!pblock) return;
        for (int i = 0; i < desc->Count(); ++i) {
            const ParamDef& d = desc->GetParamDefByIndex(i);
            if (d.ctrl_type != TYPE_SPINNER || d.ctrl_IDs[1] != id) continue;
            ISpinnerControl* spin = GetISpinner(Ctrl(d, 1));
            if (!spin) return;
            BOOL changed = FALSE;
            if (KindOf(d.type) == ValueKind::Int)
                changed = pblock->SetValue(d.ID, t, spin->GetIVal());
            else
                changed = pblock->SetValue(d.ID, t, spin->GetFVal());
            ReleaseISpinner(spin);
            if (changed && ip) ip->MtlChanged();
            return;
        }
    }

    void SwatchChanged(int id, TimeValue t) {
        if (!pblock) return;
        for (int i = 0; i < desc->Count(); ++i) {
            const ParamDef& d = desc->GetParamDefByIndex(i);
            if (d.ctrl_type != TYPE_COLORSWATCH || d.ctrl_IDs[0] != id) continue;
            IColorSwatch* s = GetIColorSwatch(Ctrl(d, 0));
            if (!s) return;
            const AColor c = s->GetAColor();
            ReleaseIColorSwatch(s);
            if (pblock->SetValue(d.ID, t, Color(c.r, c.g, c.b)) && ip) ip->MtlChanged();
            return;
        }
    }

    IParamBlock2* pblock;
    ParamBlockDesc2* desc;
    IMtlParams* ip;
    ParamMap2UserDlgProc* proc;
    HWND hwnd = nullptr;
};

INT_PTR CALLBACK RolloutProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_INITDIALOG) SetWindowLongPtrW(hWnd, DWLP_USER, lParam);
    auto* map = reinterpret_cast<RolloutMap*>(GetWindowLongPtrW(hWnd, DWLP_USER));
    if (!map) return FALSE;
    const INT_PTR r = map->Message(hWnd, msg, wParam, lParam);
    if (msg == WM_NCDESTROY) SetWindowLongPtrW(hWnd, DWLP_USER, 0);
    return r;
}

template <class Template>
IParamMap2* OpenMap(IParamBlock2* pb, IMtlParams* ip, HINSTANCE hInst, Template dlgTemplate,
                    const MCHAR* title, DWORD flags, ParamMap2UserDlgProc* dlgProc) {
    if (!pb || !pb->GetDesc() || !ip) return nullptr;
    auto* map = new RolloutMap(pb, ip, dlgProc);
    const HWND page = ip->AddRollupPage(hInst, dlgTemplate, RolloutProc, title,
                                        reinterpret_cast<LPARAM>(map), flags);
    if (!page) {
        // Without a page the procedure was never used: the caller keeps it.
        map->DetachProc();
        delete map;
        return nullptr;
    }
    map->Opened(page);
    return map;
}

class MasterDlg : public IAutoMParamDlg {
public:
    MasterDlg(ClassDesc2* classDesc, ReferenceTarget* obj) : cd(classDesc), thing(obj) {}

    Class_ID ClassID() override { return cd->ClassID(); }
    ReferenceTarget* GetThing() override { return thing; }
    void SetThing(ReferenceTarget* m) override {
        if (!m) return;
        thing = m;
        for (IParamMap2* map : maps) map->SetParamBlock(m->GetParamBlockByID(map->GetDesc()->ID));
        for (IParamMap2* map : maps) {
            if (ParamMap2UserDlgProc* p = map->GetUserDlgProc()) p->SetThing(m);
        }
        // A secondary dialog shows a part of the object; the object says which, or the
        // dialog takes the object itself.
        MtlBase* mtl = nullptr;
        if (m->SuperClassID() == TEXMAP_CLASS_ID || m->SuperClassID() == MATERIAL_CLASS_ID)
            mtl = static_cast<MtlBase*>(m);
        for (ParamDlg* dlg : dlgs) {
            if (!(mtl && mtl->SetDlgThing(dlg))) dlg->SetThing(m);
        }
    }
    void SetTime(TimeValue t) override {
        for (IParamMap2* map : maps) map->UpdateUI(t);
        for (ParamDlg* dlg : dlgs) dlg->SetTime(t);
    }
    void ReloadDialog() override {
        for (IParamMap2* map : maps) map->Invalidate();
        for (ParamDlg* dlg : dlgs) dlg->ReloadDialog();
    }
    void DeleteThis() override {
        for (IParamMap2* map : maps) DestroyMParamMap2(map);
        maps.clear();
        for (ParamDlg* dlg : dlgs) dlg->DeleteThis();
        dlgs.clear();
        delete this;
    }
    void ActivateDlg(BOOL onOff) override {
        for (ParamDlg* dlg : dlgs) dlg->ActivateDlg(onOff);
    }

    int NumDlgs() override { return static_cast<int>(dlgs.size()); }
    void AddDlg(ParamDlg* dlg) override {
        if (dlg && std::find(dlgs.begin(), dlgs.end(), dlg) == dlgs.end()) dlgs.push_back(dlg);
    }
    ParamDlg* GetDlg(int i) override {
        return i >= 0 && i < NumDlgs() ? dlgs[static_cast<size_t>(i)] : nullptr;
    }
    void DeleteDlg(ParamDlg* dlg) override {
        auto it = std::find(dlgs.begin(), dlgs.end(), dlg);
        if (it == dlgs.end()) return;
        dlgs.erase(it);
        dlg->DeleteThis();
    }
    int NumMaps() override { return static_cast<int>(maps.size()); }
    IParamMap2* GetMap(int i) override {
        return i >= 0 && i < NumMaps() ? maps[static_cast<size_t>(i)] : nullptr;
    }
    void InvalidateUI() override { ReloadDialog(); }

    std::vector<IParamMap2*> maps;

private:
    ClassDesc2* cd;
    ReferenceTarget* thing;
    std::vector<ParamDlg*> dlgs;
};

}  // namespace

IParamMap2* CreateMParamMap2(IParamBlock2* pb, IMtlParams* ip, HINSTANCE hInst, HWND,
                             const MCHAR* dlgTemplate, const MCHAR* title, DWORD flags,
                             ParamMap2UserDlgProc* dlgProc) {
    return OpenMap(pb, ip, hInst, dlgTemplate, title, flags, dlgProc);
}

IParamMap2* CreateMParamMap2(IParamBlock2* pb, IMtlParams* ip, HINSTANCE hInst, HWND,
                             DLGTEMPLATE* dlgTemplate, const MCHAR* title, DWORD flags,
                             ParamMap2UserDlgProc* dlgProc) {
    return OpenMap(pb, ip, hInst, dlgTemplate, title, flags, dlgProc);
}

void DestroyMParamMap2(IParamMap2* m) {
    delete m;
}

void ForgetDeletedBlock(IParamMap2* map, IParamBlock2* block) {
    for (RolloutMap* m : OpenMaps()) {
        if (m == map) m->BlockDeleted(block);
    }
}

void ParamBlockDesc2::InvalidateUI(ParamID id, int tabIndex) {
    ++invalidate_count;
    last_invalidated_ID = id;
    const std::vector<RolloutMap*> maps = OpenMaps();
    for (RolloutMap* m : maps) {
        if (m->GetDesc() == this) m->Invalidate(id, tabIndex);
    }
}

void ParamBlockDesc2::SetUserDlgProc(ParamMap2UserDlgProc* proc) {
    dlgProc = proc;
    for (auto it = OpenMaps().rbegin(); it != OpenMaps().rend(); ++it) {
        if ((*it)->GetDesc() == this) {
            (*it)->SetUserDlgProc(proc);
            return;
        }
    }
}

IAutoMParamDlg* ClassDesc2::CreateParamDlgs(HWND hwMtlEdit, IMtlParams* imp, ReferenceTarget* obj) {
    if (!imp || !obj) return nullptr;
    auto* master = new MasterDlg(this, obj);
    for (ParamBlockDesc2* d : pbdescs) {
        if (!(d->flags & P_AUTO_UI)) continue;
        IParamBlock2* pb = obj->GetParamBlockByID(d->ID);
        if (!pb || pb->GetDesc() != d) continue;
        // A procedure another open rollout owns stays with it.
        ParamMap2UserDlgProc* proc = RolloutMap::Owns(d->dlgProc) ? nullptr : d->dlgProc;
        const MSTR title(GetRsrcString(d->title));
        if (IParamMap2* m =
                CreateMParamMap2(pb, imp, HInstance(), hwMtlEdit, MAKEINTRESOURCEW(d->dlg_template),
                                 title, static_cast<DWORD>(d->rollup_flags), proc))
            master->maps.push_back(m);
    }
    return master;
}
