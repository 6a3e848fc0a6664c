#include <algorithm>
#include <climits>
#include <cwchar>

#include "iparamb2.h"

const MCHAR* ClassDesc::GetRsrcString(INT_PTR id) {
    thread_local wchar_t buf[256];
    if (id < 0 || id > static_cast<INT_PTR>(UINT_MAX)) return L"";
    if (LoadStringW(HInstance(), static_cast<UINT>(id), buf, 256) > 0) return buf;
    return L"";
}

void ClassDesc2::AddParamBlockDesc(ParamBlockDesc2* pbd) {
    if (pbd && std::find(pbdescs.begin(), pbdescs.end(), pbd) == pbdescs.end())
        pbdescs.push_back(pbd);
}

ParamBlockDesc2* ClassDesc2::GetParamBlockDesc(int i) {
    if (i < 0 || i >= NumParamBlockDescs()) return nullptr;
    return pbdescs[static_cast<size_t>(i)];
}

ParamBlockDesc2* ClassDesc2::GetParamBlockDescByID(BlockID id) {
    for (ParamBlockDesc2* d : pbdescs) {
        if (d->ID == id) return d;
    }
    return nullptr;
}

ParamBlockDesc2* ClassDesc2::GetParamBlockDescByName(const MCHAR* name) {
    if (!name) return nullptr;
    for (ParamBlockDesc2* d : pbdescs) {
        if (d->int_name && std::wcscmp(d->int_name, name) == 0) return d;
    }
    return nullptr;
}

void ClassDesc2::MakeAutoParamBlocks(ReferenceMaker* owner) {
    if (!owner) return;
    for (ParamBlockDesc2* d : pbdescs) {
        if (!(d->flags & P_AUTO_CONSTRUCT)) continue;
        IParamBlock2* block = CreateParameterBlock2(d, owner);
        if (owner->ReplaceReference(d->ref_no, block) != REF_SUCCEED) block->DeleteThis();
    }
}

void ClassDesc2::InvalidateUI(ParamBlockDesc2* pbd, ParamID id, int tabIndex) {
    if (pbd) pbd->InvalidateUI(id, tabIndex);
}

void ClassDesc2::SetUserDlgProc(ParamBlockDesc2* pbd, ParamMap2UserDlgProc* proc) {
    if (pbd) pbd->SetUserDlgProc(proc);
}
