// The host's directory of plug-in classes, through which saved objects are re-created.
#pragma once

#include "maxtypes.h"

class ClassDesc;

class ClassDirectory {
public:
    // The process-wide directory; it already lists the host's own classes.
    static ClassDirectory& GetInstance();

    // A class already listed (same super class and class ID) is replaced. Thread-safe.
    void AddClass(ClassDesc* cd);
    void RemoveClass(ClassDesc* cd);
    ClassDesc* FindClass(SClass_ID sclass, const Class_ID& cid);

    // Lists every class of a loaded plug-in module (LibNumberClasses, LibClassDesc);
    // returns the number added.
    int AddModuleClasses(HMODULE module);

private:
    ClassDirectory();
};
