// The output judge in both modes over any sequence of chunks (one field each). WatchOnly never
// stops and appends nothing but the success line, for exactly the reads that are the device's
// word; EchoCheck appends each chunk with a line end and stops exactly at the first chunk that
// holds "ERROR", and once failed it never succeeds again.
#include "FuzzInput.h"
#include "runner/ToolOutputJudge.h"

namespace {

bool HoldsError(std::wstring_view chunk) {
    constexpr std::wstring_view mark = L"ERROR";
    for (std::size_t i = 0; i + mark.size() <= chunk.size(); ++i) {
        if (chunk.substr(i, mark.size()) == mark) {
            return true;
        }
    }
    return false;
}

void CheckWatchOnly(const std::vector<std::wstring>& chunks) {
    ToolOutputJudge judge(CaptureMode::WatchOnly);
    for (const auto& chunk : chunks) {
        const auto verdict = judge.OnChunk(chunk);
        FUZZ_CHECK(!verdict.stop, "WatchOnly stopped at: " + Printable(chunk));
        const bool programmed = chunk == L"Device programmed.\r\n";
        FUZZ_CHECK(verdict.append == (programmed ? L"Upgrade succeeded.\r\n" : L""),
                   "chunk: " + Printable(chunk) + "\nappended: " + Printable(verdict.append));
        FUZZ_CHECK(!judge.Succeeded(), "WatchOnly reported a result");
    }
}

void CheckEchoCheck(const std::vector<std::wstring>& chunks) {
    ToolOutputJudge judge(CaptureMode::EchoCheck);
    FUZZ_CHECK(!judge.Succeeded(), "success before any output");
    bool failed = false;
    for (const auto& chunk : chunks) {
        const auto verdict = judge.OnChunk(chunk);
        FUZZ_CHECK(verdict.append == chunk + L"\r\n",
                   "chunk: " + Printable(chunk) + "\nappended: " + Printable(verdict.append));
        // Each chunk is judged on its own: the runner stops at the first stop, and a judge that
        // is fed on regardless still stops exactly at the chunks that hold the mark.
        FUZZ_CHECK(verdict.stop == HoldsError(chunk),
                   "stop was " + std::to_string(verdict.stop) + " at: " + Printable(chunk));
        failed = failed || verdict.stop;
        FUZZ_CHECK(judge.Succeeded() == !failed,
                   "result " + std::to_string(judge.Succeeded()) + " after: " + Printable(chunk));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // No input at all stands for a tool that wrote nothing; otherwise each field is one read.
    std::vector<std::wstring> chunks;
    if (size != 0) {
        chunks = DecodeFields(data, size);
    }
    CheckWatchOnly(chunks);
    CheckEchoCheck(chunks);
    return 0;
}
