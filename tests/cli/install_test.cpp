// `cmake --install`: the tool, the module in the plug-in folder the tool looks in, the man page
// and the bash completion, all made from the tool's own definitions.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "tests/support/tool_runner.h"

namespace {

TEST(Install, InstalledToolFindsItsModuleAndShipsItsDocs) {
    ScratchFolder prefix;
    const std::string log = (prefix / "install.log").string();
    const std::string install = std::string("'") + QUORV_CMAKE_COMMAND + "' --install '" +
                                QUORV_BINARY_DIR + "' --prefix '" + prefix.Path().string() +
                                "' > '" + log + "' 2>&1";
    ASSERT_EQ(std::system(install.c_str()), 0) << ReadAll(log);

    const std::filesystem::path tool = prefix / "bin/quorv-scratches";
    const std::string out = (prefix / "out").string();
    std::string version = tool.string();
    version.insert(0, 1, '\'');
    version += "' --version > '" + out + "'";
    ASSERT_EQ(std::system(version.c_str()), 0);
    EXPECT_NE(ReadAll(out).find((prefix / "plugins/").string()), std::string::npos) << ReadAll(out);

    // The bundled presets, which the installed tool finds by name.
    EXPECT_TRUE(std::filesystem::is_regular_file(
        prefix / "share/quorv-scratches/presets/brushed-metal.json"));
    std::string bundled = tool.string();  // built in steps, as above: GCC 12 misreads the sum
    bundled.insert(0, 1, '\'');
    bundled += "' params --preset brushed-metal > '" + out + "'";
    EXPECT_EQ(std::system(bundled.c_str()), 0);

    // Image files through the image library, found beside the host library once installed.
    const std::filesystem::path baked = prefix / "baked.exr";
    std::string bake = tool.string();
    bake.insert(0, 1, '\'');
    bake += "' bake --res 8 --samples 1 -o '" + baked.string() + "' > '" + out + "' 2>&1";
    EXPECT_EQ(std::system(bake.c_str()), 0) << ReadAll(out);
    EXPECT_TRUE(std::filesystem::is_regular_file(baked));
    const std::string man = ReadAll(prefix / "share/man/man1/quorv-scratches.1");
    EXPECT_NE(man.find(".SS bake"), std::string::npos);
    EXPECT_NE(man.find("\\-\\-seed"), std::string::npos);
    const std::filesystem::path completion =
        prefix / "share/bash-completion/completions/quorv-scratches";
    EXPECT_NE(ReadAll(completion).find("--seed"), std::string::npos);
    EXPECT_EQ(std::system(("bash -n '" + completion.string() + "'").c_str()), 0);
}

}  // namespace
