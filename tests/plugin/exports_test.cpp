// The module as the host first meets it: loaded by path, its exports found by name, its one
// class descriptor and the two block descriptors registered with it.
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "plugin/host.h"

namespace {

using LibDescriptionFn = const MCHAR* (*)();
using LibIntFn = int (*)();
using LibClassDescFn = ClassDesc* (*)(int);
using LibVersionFn = ULONG (*)();

template <typename Fn>
Fn Export(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(GetProcAddress(module, name));
}

class Exports : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const std::string path = QUORV_MODULE_PATH;
        module = LoadLibraryW(std::wstring(path.begin(), path.end()).c_str());
    }
    static void TearDownTestSuite() {
        if (module) FreeLibrary(module);
        module = nullptr;
    }
    static HMODULE module;
};
HMODULE Exports::module = nullptr;

TEST_F(Exports, EveryPluginFunctionAnswersAsTheHostExpects) {
    ASSERT_NE(module, nullptr);
    const auto description = Export<LibDescriptionFn>(module, "LibDescription");
    const auto numberClasses = Export<LibIntFn>(module, "LibNumberClasses");
    const auto classDesc = Export<LibClassDescFn>(module, "LibClassDesc");
    const auto version = Export<LibVersionFn>(module, "LibVersion");
    const auto initialize = Export<LibIntFn>(module, "LibInitialize");
    const auto shutdown = Export<LibIntFn>(module, "LibShutdown");
    ASSERT_TRUE(description && numberClasses && classDesc && version && initialize && shutdown);

    ASSERT_NE(description(), nullptr);
    EXPECT_STREQ(description(), L"Procedural Scratches texmap");
    EXPECT_EQ(numberClasses(), 1);
    EXPECT_NE(classDesc(0), nullptr);
    EXPECT_EQ(classDesc(1), nullptr);
    EXPECT_EQ(classDesc(-1), nullptr);
    EXPECT_EQ(version(), 0x69784200u);
    EXPECT_EQ(initialize(), 1);
    EXPECT_EQ(shutdown(), 1);
}

TEST_F(Exports, ClassIdentityAndItsTwoBlocks) {
    ASSERT_NE(module, nullptr);
    ClassDesc* cd = Export<LibClassDescFn>(module, "LibClassDesc")(0);
    ASSERT_NE(cd, nullptr);
    EXPECT_EQ(cd->IsPublic(), 1);
    EXPECT_TRUE(cd->ClassID() == Class_ID(0x8DB6A691, 0x8D486002));
    EXPECT_EQ(cd->SuperClassID(), static_cast<SClass_ID>(0xC10));
    EXPECT_STREQ(cd->ClassName(), L"QuorvScratches");
    EXPECT_STREQ(cd->NonLocalizedClassName(), L"QuorvScratches");
    EXPECT_STREQ(cd->InternalName(), L"QuorvScratches");
    EXPECT_STREQ(cd->Category(), TEXMAP_CAT_3D);
    EXPECT_EQ(cd->HInstance(), static_cast<HINSTANCE>(module));

    // Built in module order: "Mapping" registers first, "params" second.
    auto* cd2 = static_cast<ClassDesc2*>(cd);
    ASSERT_EQ(cd2->NumParamBlockDescs(), 2);
    EXPECT_STREQ(cd2->GetParamBlockDesc(0)->int_name, L"Mapping");
    EXPECT_EQ(cd2->GetParamBlockDesc(0)->ID, 0);
    EXPECT_STREQ(cd2->GetParamBlockDesc(1)->int_name, L"params");
    EXPECT_EQ(cd2->GetParamBlockDesc(1)->ID, 1);

    auto* map = static_cast<Texmap*>(cd->Create(FALSE));
    ASSERT_NE(map, nullptr);
    EXPECT_TRUE(map->ClassID() == cd->ClassID());
    EXPECT_EQ(map->NumParamBlocks(), 2);
    map->DeleteThis();
}

}  // namespace
