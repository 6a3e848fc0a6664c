#include "classdir.h"

#include <algorithm>
#include <mutex>
#include <vector>

#include "plugapi.h"

// The host's own classes; defined with them.
ClassDesc* DefaultTextureOutputClassDesc();

namespace {
std::mutex g_mutex;
std::vector<ClassDesc*>& Classes() {
    static std::vector<ClassDesc*> classes;
    return classes;
}
}  // namespace

ClassDirectory::ClassDirectory() {
    AddClass(DefaultTextureOutputClassDesc());
}

ClassDirectory& ClassDirectory::GetInstance() {
    static ClassDirectory dir;
    return dir;
}

void ClassDirectory::AddClass(ClassDesc* cd) {
    if (!cd) return;
    const SClass_ID sc = cd->SuperClassID();
    const Class_ID id = cd->ClassID();
    std::lock_guard<std::mutex> lock(g_mutex);
    auto& v = Classes();
    v.erase(std::remove_if(v.begin(), v.end(),
                           [&](ClassDesc* c) {
                               return c == cd || (c->SuperClassID() == sc && c->ClassID() == id);
                           }),
            v.end());
    v.push_back(cd);
}

void ClassDirectory::RemoveClass(ClassDesc* cd) {
    std::lock_guard<std::mutex> lock(g_mutex);
    auto& v = Classes();
    v.erase(std::remove(v.begin(), v.end(), cd), v.end());
}

ClassDesc* ClassDirectory::FindClass(SClass_ID sclass, const Class_ID& cid) {
    std::lock_guard<std::mutex> lock(g_mutex);
    for (ClassDesc* c : Classes()) {
        if (c->SuperClassID() == sclass && c->ClassID() == cid) return c;
    }
    return nullptr;
}

int ClassDirectory::AddModuleClasses(HMODULE module) {
    typedef int (*NumClassesProc)();
    typedef ClassDesc* (*ClassDescProc)(int);
    // Through void (*)(): Windows' FARPROC returns INT_PTR, and GCC warns on a direct cast.
    typedef void (*AnyProc)();
    auto num = reinterpret_cast<NumClassesProc>(
        reinterpret_cast<AnyProc>(GetProcAddress(module, "LibNumberClasses")));
    auto desc = reinterpret_cast<ClassDescProc>(
        reinterpret_cast<AnyProc>(GetProcAddress(module, "LibClassDesc")));
    if (!num || !desc) return 0;
    int added = 0;
    const int n = num();
    for (int i = 0; i < n; ++i) {
        if (ClassDesc* cd = desc(i)) {
            AddClass(cd);
            ++added;
        }
    }
    return added;
}
