// What the search benchmarks share: a stopwatch, best of three, and the mixed Japanese and ASCII
// sample text.
#pragma once

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>

namespace bench {

inline double Seconds(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

inline double BestOf3(const std::function<void()>& run) {
    double dBest = 1e9;
    for (int i = 0; i < 3; ++i) {
        auto t0 = std::chrono::steady_clock::now();
        run();
        dBest = std::min(dBest, Seconds(t0));
    }
    return dBest;
}

// Lines of the codec benchmark's mixed Japanese and ASCII text, CR LF between them, to nChars.
inline std::wstring SampleText(size_t nChars) {
    const std::wstring line =
        L"Tessarin ベンチマーク用の日本語テキスト：漢字、ひらがな、カタカナ、ASCII 0123456789 ①㈱\r\n";
    std::wstring text;
    text.reserve(nChars + line.size());
    while (text.size() + line.size() <= nChars)
        text += line;
    text.append(nChars - text.size(), L'x');
    return text;
}

} // namespace bench
