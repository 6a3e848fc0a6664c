// The table of hostile inputs (tests/data/hostile-inputs.json), one test per row: every entry
// point refuses what is wrong in one line that says what is accepted, with the exit status
// the row states, and writes nothing. The Python rows are tests/python's.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <nlohmann/json.hpp>

#include <ioapi.h>
#include <scenefile.h>

#include "serve/look_dev_api.h"
#include "tests/support/damaged_images.h"
#include "tests/support/tool_runner.h"
#include "tool/images/image_read.h"
#include "tool/images/image_write.h"
#include "tool/module/plugin_module.h"
#include "tool/setup/configure_map.h"

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

std::vector<json> TableRows() {
    std::ifstream in(std::string(QUORV_TEST_DATA) + "/hostile-inputs.json");
    const json table = json::parse(in);
    std::vector<json> rows;
    for (const json& row : table.at("rows")) {
        if (row.at("entry") != "python") rows.push_back(row);
    }
    return rows;
}

const std::vector<json>& Rows() {
    static const std::vector<json> rows = TableRows();
    return rows;
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

// PNG's chunk checksum (CRC-32, ISO 3309).
// One line on standard error naming what the row says, the row's status, nothing written.
void ExpectRefused(const ToolRun& run, int status, const std::string& says, const fs::path& out,
                   std::size_t printed = 0) {
    EXPECT_EQ(run.exitCode, status) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_NE(run.err.find(says), std::string::npos) << run.err;
    EXPECT_EQ(static_cast<std::size_t>(std::count(run.out.begin(), run.out.end(), '\n')), printed)
        << run.out.substr(0, 200);
    EXPECT_TRUE(fs::is_empty(out)) << fs::directory_iterator(out)->path();
}

void ExpectApiRefusal(const ApiReply& reply, int status, const std::string& says) {
    EXPECT_EQ(reply.status, status) << reply.body;
    const json body = json::parse(reply.body, nullptr, false);
    ASSERT_TRUE(body.is_object() && body.contains("error")) << reply.body;
    const std::string message = body["error"];
    EXPECT_EQ(message.find('\n'), std::string::npos) << message;
    EXPECT_NE(message.find(says), std::string::npos) << message;
}

void Damage(std::vector<unsigned char>& bytes, const json& row) {
    const std::string damage = row.at("damage");
    const double at = row.value("at", 0.0);
    if (damage.ends_with("cut")) {
        bytes.resize(static_cast<std::size_t>(at * static_cast<double>(bytes.size())));
    } else if (damage == "append") {
        bytes.push_back(row.at("value").get<unsigned char>());
    } else {
        bytes.at(static_cast<std::size_t>(at)) = row.at("value").get<unsigned char>();
    }
}

class HostileInput : public testing::TestWithParam<std::size_t> {};

TEST_P(HostileInput, IsRefusedInOneLineAndWritesNothing) {
    const json& row = Rows()[GetParam()];
    SCOPED_TRACE(row.dump());
    ScratchFolder in, out;
    WriteDamagedImages(in.Path());
    const std::string entry = row.at("entry");
    const int status = row.value("exit", 1);
    auto place = [&](const std::string& text) {
        return Replaced(Replaced(text, "{in}", in.Path().string()), "{out}", out.Path().string());
    };
    const std::string says = place(row.value("says", ""));

    if (entry == "command line") {
        std::vector<std::string> args;
        for (const std::string arg : row.at("args")) args.push_back(place(arg));
        ExpectRefused(RunTool(args, "1 2 3\n"), status, says, out.Path());
    } else if (entry == "eval") {
        ExpectRefused(RunTool({"eval"}, row.at("input").get<std::string>() + "\n"), status, says,
                      out.Path(), row.value("printed", std::size_t{0}));
    } else if (entry == "preset") {
        std::ofstream(in / "p.json", std::ios::binary) << row.at("text").get<std::string>();
        ExpectRefused(RunTool({"eval", "--preset", (in / "p.json").string()}, "1 2 3\n"), status,
                      says, out.Path());
    } else if (entry == "source") {
        ExpectRefused(
            RunTool({"eval", "--map", "distortMap=" + row.at("source").get<std::string>()},
                    "1 2 3\n"),
            status, says, out.Path());
    } else if (entry == "image") {
        for (const char* slot : {"sizeMap", "color2map"}) {
            ExpectRefused(
                RunTool(
                    {"bake", "-q", "--res", "16", "-o", (out / "x.png").string(), "--map",
                     std::string(slot) + "=" + (in / row.at("file").get<std::string>()).string()}),
                status, says, out.Path());
        }
    } else if (entry == "api") {
        const PluginModule module(QUORV_MODULE_DIR);
        LookDevApi api(module.ScratchesClass(), "");
        const std::string call = row.at("call");
        const std::string body = row.value("body", "");
        const ApiReply reply = call == "render"   ? api.Render(body)
                               : call == "bake"   ? api.Bake(body)
                               : call == "preset" ? api.Preset(body)
                               : call == "cancel"
                                   ? api.Cancel(body)
                                   : api.Upload("a", row.at("name").get<std::string>(),
                                                ReadAll(in / row.at("file").get<std::string>()));
        ExpectApiRefusal(reply, row.value("status", 400), says);
    } else if (entry == "scene") {
        const PluginModule module(QUORV_MODULE_DIR);
        MapOptions options;
        options.sets = {"size=3", "useErosion=on", "color1=0.1,0.2,0.3", "xyz_angle_x=20"};
        options.maps = {"distortMap=scratches:size=2"};
        const ConfiguredMap configured = ConfigureMap(module.ScratchesClass(), options, 0);
        const std::string damage = row.at("damage");
        if (damage.rfind("map ", 0) == 0) {
            // The map's own chunks, as the host hands them to its Load.
            MemorySave save;
            ASSERT_EQ(configured.map->Save(&save), IO_OK);
            std::vector<unsigned char> bytes = save.Bytes();
            MemoryLoad sound(bytes);
            const TexmapPtr fresh = CreateMap(module.ScratchesClass());
            ASSERT_EQ(fresh->Load(&sound), IO_OK);
            Damage(bytes, row);
            MemoryLoad damaged(bytes);
            const TexmapPtr other = CreateMap(module.ScratchesClass());
            EXPECT_EQ(other->Load(&damaged), IO_ERROR);
        } else {
            std::vector<unsigned char> bytes = SaveObject(configured.map.get());
            IOResult res = IO_ERROR;
            ReferenceTarget* sound = LoadObject(bytes, &res);
            ASSERT_NE(sound, nullptr);
            EXPECT_EQ(res, IO_OK);
            sound->DeleteThis();
            Damage(bytes, row);
            ReferenceTarget* loaded = LoadObject(bytes, &res);
            EXPECT_EQ(loaded, nullptr);
            EXPECT_EQ(res, IO_ERROR);
            if (loaded) loaded->DeleteThis();
        }
    } else {
        ADD_FAILURE() << "unknown entry '" << entry << "'";
    }
}

std::string RowName(const testing::TestParamInfo<std::size_t>& info) {
    std::string name = Rows()[info.param].at("entry");
    name.erase(std::remove(name.begin(), name.end(), ' '), name.end());
    return name + "_" + std::to_string(info.param);
}

INSTANTIATE_TEST_SUITE_P(Table, HostileInput, testing::Range<std::size_t>(0, Rows().size()),
                         RowName);

}  // namespace
