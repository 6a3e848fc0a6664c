// A bake stops within a band: the observer of its progress (the page's cancel) and the
// cancellation of its task group (Python's Ctrl-C) are looked at every few pixels, and a bake
// so stopped never ends as if complete.
#include <gtest/gtest.h>

#include <atomic>

#include <tbb/task_arena.h>
#include <tbb/task_group.h>

#include "tool/base/progress.h"
#include "tool/base/tool_error.h"
#include "tool/module/plugin_module.h"
#include "tool/sampling/bake.h"
#include "tool/setup/configure_map.h"

namespace {

struct Stop {};

// Counts the rows handed to it.
class RowCounter final : public ImageWriter {
public:
    void WriteRows(const float*, int count) override { rows += count; }
    void Finish() override {}
    int rows = 0;
};

// One band of wide rows: before its first row is written, the bake has looked many times.
BakeOptions OneLongBand() {
    BakeOptions options;
    options.width = 4096;
    options.height = 8;
    options.samples = 1;
    options.outputs = {BakeOutput::Mono};
    return options;
}

TEST(BakeStop, AnObserverThatThrowsStopsTheBandItInterrupts) {
    PluginModule module(QUORV_MODULE_DIR);
    ConfiguredMap configured = ConfigureMap(module.ScratchesClass(), MapOptions{}, 0);
    Texmap* map = configured.map.get();
    Interval valid = FOREVER;
    map->Update(0, valid);
    const BakeOptions options = OneLongBand();
    Progress progress("bake", static_cast<std::uint64_t>(options.height), true);
    std::atomic<int> calls{0};
    progress.Observe([&](std::uint64_t, std::uint64_t) {
        if (++calls == 3) throw Stop{};
    });
    RowCounter rows;
    tbb::task_arena one(1);
    one.execute([&] { EXPECT_THROW(BakeMap(map, options, progress, rows), Stop); });
    // Stopped at the third look, inside the first row: nothing was written.
    EXPECT_EQ(calls.load(), 3);
    EXPECT_EQ(rows.rows, 0);
}

TEST(BakeStop, ACancelledTaskGroupEndsTheBakeAsAnError) {
    PluginModule module(QUORV_MODULE_DIR);
    ConfiguredMap configured = ConfigureMap(module.ScratchesClass(), MapOptions{}, 0);
    Texmap* map = configured.map.get();
    Interval valid = FOREVER;
    map->Update(0, valid);
    const BakeOptions options = OneLongBand();
    Progress progress("bake", static_cast<std::uint64_t>(options.height), true);
    tbb::task_group_context context;
    int calls = 0;
    progress.Observe([&](std::uint64_t, std::uint64_t) {
        if (++calls == 2) context.cancel_group_execution();
    });
    RowCounter rows;
    bool threw = false;
    tbb::task_arena one(1);
    one.execute([&] {
        tbb::task_group group(context);
        group.run_and_wait([&] {
            try {
                BakeMap(map, options, progress, rows);
            } catch (const ToolError&) {
                threw = true;
            }
        });
    });
    EXPECT_TRUE(threw) << "a cancelled bake returned as if complete";
    EXPECT_EQ(calls, 2) << "the band went on after the cancel";
    EXPECT_EQ(rows.rows, 0);
}

}  // namespace
