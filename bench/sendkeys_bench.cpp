// Cost of the keystroke engine itself, per key event, on the recording
// keyboard: what SendKeys adds on top of the platform's own calls.

#include <benchmark/benchmark.h>

#include <string>

#include "delivery/recording_keyboard.h"
#include "delivery/sendkeys.h"

namespace {

const std::u16string Mrz = u"P<UTOERIKSSON<<ANNA<MARIA<<<<<<<<<<<<<<<<<<<"
                           u"L898902C36UTO7408122F1204159ZE184226B<<<<<10";

void perEvent(benchmark::State& state, const std::u16string& keys) {
    readerlink::RecordingKeyboard keyboard;
    std::size_t events = 0;
    for (auto _ : state) {
        keyboard.clear();
        benchmark::DoNotOptimize(readerlink::SendKeys(keyboard, keys, true));
        events = keyboard.recorded().size();
    }
    state.counters["events"] = static_cast<double>(events);
    // Read as seconds per event.
    state.counters["per_event"] = benchmark::Counter(
        static_cast<double>(events), benchmark::Counter::kIsIterationInvariantRate |
                                         benchmark::Counter::kInvert);
}

void BM_SendKeysMrzAndEnter(benchmark::State& state) {
    perEvent(state, Mrz + u"{ENTER}");
}
BENCHMARK(BM_SendKeysMrzAndEnter);

void BM_SendKeysBraceGroups(benchmark::State& state) {
    perEvent(state, u"+(ab)c{LEFT 2}{TAB}{ENTER}%{F4}{{}{}}~");
}
BENCHMARK(BM_SendKeysBraceGroups);

} // namespace

BENCHMARK_MAIN();
