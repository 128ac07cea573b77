// The output judge in both modes over any sequence of chunks (one field each). WatchOnly never
// stops and appends the success line once, at the chunk that completes the first line of the
// whole output that is the device's word; at the end it logs the failure line exactly when no
// such line came, after at most three "nrfutil: " lines of at most 203 characters whatever the
// tool wrote, the same however the reads cut the output. EchoCheck appends each chunk with a line
// end and stops exactly at the first chunk that holds "ERROR", and once failed it never succeeds
// again.
#include "FuzzInput.h"
#include <algorithm>
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

// Where the first whole line "Device programmed." of the output ends (its "\n"), found in the
// joined output rather than line by line; npos when there is none.
std::size_t EndOfFirstDeviceLine(const std::wstring& output) {
    std::size_t start = 0;
    for (std::size_t end = output.find(L'\n'); end != std::wstring::npos;
         start = end + 1, end = output.find(L'\n', start)) {
        std::wstring_view line(output.data() + start, end - start);
        if (!line.empty() && line.back() == L'\r') {
            line.remove_suffix(1);
        }
        if (line == L"Device programmed.") {
            return end;
        }
    }
    return std::wstring::npos;
}

void CheckWatchOnly(const std::vector<std::wstring>& fields) {
    // A field with a NUL is a read that a NUL cut: the chunk is the text before it, and the joined
    // output has a line end for the cut.
    std::vector<std::pair<std::wstring, bool>> chunks;
    std::wstring output;
    for (const auto& field : fields) {
        const auto nul = field.find(L'\0');
        chunks.emplace_back(field.substr(0, nul), nul != std::wstring::npos);
        output += chunks.back().first + (chunks.back().second ? L"\n" : L"");
    }
    const std::size_t successAt = EndOfFirstDeviceLine(output);
    ToolOutputJudge judge(CaptureMode::WatchOnly);
    std::size_t read = 0;
    for (const auto& [chunk, cut] : chunks) {
        const auto verdict = judge.OnChunk(chunk, cut);
        FUZZ_CHECK(!verdict.stop, "WatchOnly stopped at: " + Printable(chunk));
        const std::size_t span = chunk.size() + (cut ? 1 : 0);
        const bool completes = successAt >= read && successAt < read + span;
        read += span;
        FUZZ_CHECK(verdict.append == (completes ? L"Upgrade succeeded.\r\n" : L""),
                   "chunk: " + Printable(chunk) + "\nappended: " + Printable(verdict.append));
        FUZZ_CHECK(judge.Succeeded() == (successAt < read), "result after: " + Printable(chunk));
    }
    const bool programmed = successAt != std::wstring::npos;
    FUZZ_CHECK(judge.NeedsExitStatus() == !programmed, "output: " + Printable(output));
    const std::wstring ending = judge.OnToolEnded(1u);
    // Lines hold no line end: at most three tool lines, each at most "nrfutil: " + 203 + "\r\n".
    const auto lines = std::count(ending.begin(), ending.end(), L'\n');
    FUZZ_CHECK(programmed ? ending.empty()
                          : ending.ends_with(L"Upgrade failed.\r\n") && lines <= 4 &&
                                ending.size() <= 3 * (9 + 203 + 2) + 17,
               "output: " + Printable(output) + "\nended: " + Printable(ending));
    // However the reads cut the output, the same lines show.
    ToolOutputJudge whole(CaptureMode::WatchOnly);
    whole.OnChunk(output);
    FUZZ_CHECK(whole.OnToolEnded(1u) == ending, "output: " + Printable(output));
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
