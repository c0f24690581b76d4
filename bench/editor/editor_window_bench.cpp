// What the Linux editor costs the host's user-interface thread: its CPU time per second of a
// host's run loop, for one visible recorder editor while it records, and for twenty whose host
// windows are hidden. Runs on an X display (scripts/xvfb-run.sh). The baseline is the same loop
// with no editor at all.

#include "editor/editor_view.h"
#include "interaction/x11_host.h"
#include "support/test_host.h"
#include "support/wav_file.h"

#include "editor/posix/x11_window.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <thread>
#include <vector>

namespace {

using namespace quillwave;
using namespace Steinberg;
using namespace std::chrono_literals;

struct Measure {
    double cpuShare;    // of one core, UI thread
    double editorShare; // of one core, inside the editor's timer and descriptor calls
    double framesPerS;  // frames shown
};

Measure measure(test::PollingHost& host, std::chrono::milliseconds duration) {
    const std::uint64_t frames = plugins::framesPresented();
    const double start = test::PollingHost::threadSeconds();
    const double inHandlers = host.handlerSeconds;
    host.run(duration);
    const double seconds = std::chrono::duration<double>(duration).count();
    return {(test::PollingHost::threadSeconds() - start) / seconds,
            (host.handlerSeconds - inHandlers) / seconds,
            static_cast<double>(plugins::framesPresented() - frames) / seconds};
}

} // namespace

using namespace Steinberg;

int main() {
    test::TestDisplay display;
    test::TempFolder folder;
    test::TestHost::Config config;
    config.maxBlock = 64;
    test::TestHost module(config);
    std::string error;
    if (!module.plugin().chooseFile(test::u16path(folder / "take.wav"), error) ||
        module.component->setActive(true) != kResultOk ||
        module.processor->setProcessing(true) != kResultOk) {
        std::fprintf(stderr, "cannot record: %s\n", error.c_str());
        return 1;
    }
    // The audio thread records a sine in real time, so meters, time and counters move.
    std::atomic<bool> done{false};
    std::thread audio([&] {
        std::uint64_t position = 0;
        auto next = std::chrono::steady_clock::now();
        while (!done.load()) {
            module.fillInput(64, [&](int i, int) {
                return 0.5 * std::sin(static_cast<double>(position + i) * 0.01);
            });
            module.run(64, true);
            position += 64;
            next += std::chrono::microseconds(1333);
            std::this_thread::sleep_until(next);
        }
    });

    test::PollingHost host;
    const Measure baseline = measure(host, 3000ms);

    std::vector<::Window> parents;
    std::vector<IPtr<IPlugView>> views;
    const auto open = [&](int count) {
        for (int i = 0; i < count; ++i) {
            const ::Window parent = XCreateSimpleWindow(
                display.display(), DefaultRootWindow(display.display()), 0, 0, 960, 580, 0, 0, 0);
            XMapWindow(display.display(), parent);
            XSync(display.display(), False);
            IPtr<IPlugView> view(module.plugin().createView("editor"), false);
            view->setFrame(&host);
            view->attached(reinterpret_cast<void*>(parent), "X11EmbedWindowID");
            parents.push_back(parent);
            views.push_back(view);
        }
        host.run(500ms); // first pictures
    };
    const auto closeAll = [&] {
        for (auto& view : views) {
            view->removed();
        }
        views.clear();
        for (const ::Window parent : parents) {
            XDestroyWindow(display.display(), parent);
        }
        parents.clear();
        XSync(display.display(), False);
    };

    open(1);
    const Measure oneVisible = measure(host, 3000ms);
    closeAll();

    open(20);
    for (const ::Window parent : parents) {
        XUnmapWindow(display.display(), parent); // as a host hides a closed plug-in window
    }
    XSync(display.display(), False);
    host.run(200ms);
    const Measure twentyHidden = measure(host, 3000ms);
    closeAll();

    done = true;
    audio.join();
    module.processor->setProcessing(false);
    module.component->setActive(false);

    std::printf(
        "UI thread CPU per second of run loop (share of one core): whole thread, inside the "
        "editor's calls; frames shown per second\n");
    const auto row = [](const char* name, const Measure& m) {
        std::printf("  %-39s %6.3f %%  %6.3f %%  %5.1f frames/s\n", name, m.cpuShare * 100,
                    m.editorShare * 100, m.framesPerS);
    };
    row("baseline, no editor:", baseline);
    row("one visible recorder editor, recording:", oneVisible);
    row("twenty hidden recorder editors:", twentyHidden);
    return 0;
}
