// Saving while the audio thread applies automation: every document is complete and each slot
// holds one of the values the audio thread stored.

#include "state_streams.h"
#include "support/test_host.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <atomic>
#include <thread>

using namespace quillwave;
using namespace quillwave::test;

namespace {

TEST(StateConcurrency, SavingDuringAutomationReadsEachSlotWhole) {
    TestHost::Config config;
    config.maxBlock = 64;
    TestHost host(config);
    ASSERT_TRUE(host.arranged && host.setUp);
    ASSERT_EQ(host.component->setActive(true), kResultOk);
    ASSERT_EQ(host.processor->setProcessing(true), kResultOk);

    const double values[] = {0.25, 0.75};
    std::atomic<bool> done{false};
    std::thread audio([&] {
        for (int block = 0; !done.load(std::memory_order_acquire); ++block) {
            for (Vst::ParamID id : {Vst::ParamID{400}, Vst::ParamID{401}}) {
                host.changes.queue(id).add(block % 64, values[(block + id) % 2]);
            }
            host.run(64, false);
        }
    });

    for (int i = 0; i < 300; ++i) {
        MemoryStream stream;
        ASSERT_EQ(componentOf(host.plugin()).getState(&stream), kResultOk);
        const std::string bytes = streamBytes(stream);
        const auto document = nlohmann::json::parse(bytes.begin() + 4, bytes.end());
        for (const std::size_t slot : {std::size_t{400}, std::size_t{401}}) {
            const double v = document["parameters"][slot].get<double>();
            const double initial = slot == 400 ? 0.05 : 1.0 / 120.0;
            EXPECT_TRUE(v == values[0] || v == values[1] || v == initial) << v;
        }
    }
    done.store(true, std::memory_order_release);
    audio.join();
    host.processor->setProcessing(false);
    host.component->setActive(false);
}

} // namespace
