// SPDX-License-Identifier: MIT
// tcalc's interactive input: a prompt, line editing, history and completion of names with
// libedit when tcalc was built with it (TCALC_HAVE_LIBEDIT), plain lines otherwise.
#ifndef TCALC_LINE_READER_HPP
#define TCALC_LINE_READER_HPP

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <iostream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#ifdef TCALC_HAVE_LIBEDIT
#include <editline/readline.h>
#endif

namespace tcalc {

class LineReader {
public:
    // `words` lists what Tab may complete (names and commands) at the time it is pressed.
    explicit LineReader(std::function<std::vector<std::string>()> words) {
        words_ = std::move(words);
#ifdef TCALC_HAVE_LIBEDIT
        rl_readline_name = "tcalc";  // for ~/.editrc
        rl_basic_word_break_characters = " \t+-*/^=()";
        rl_attempted_completion_function = complete;
        using_history();
#endif
    }

    ~LineReader() { words_ = nullptr; }

    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    static constexpr bool editing() {
#ifdef TCALC_HAVE_LIBEDIT
        return true;
#else
        return false;
#endif
    }

    // The next line without its end, or nothing at the end of input (Ctrl-D).
    std::optional<std::string> read(const char* prompt) {
        std::cout.flush();
#ifdef TCALC_HAVE_LIBEDIT
        char* raw = readline(prompt);
        if (raw == nullptr) return std::nullopt;
        std::string line(raw);
        std::free(raw);
        return line;
#else
        std::cout << prompt << std::flush;
        std::string line;
        if (!std::getline(std::cin, line)) return std::nullopt;
        return line;
#endif
    }

    // Adds a line to the history that the up arrow walks, unless it repeats the last one.
    void remember(const std::string& line) {
#ifdef TCALC_HAVE_LIBEDIT
        if (line == last_) return;
        add_history(line.c_str());
        last_ = line;
#else
        (void)line;
#endif
    }

private:
#ifdef TCALC_HAVE_LIBEDIT
    // libedit's completion hooks are plain functions, hence the one static list source.
    static char** complete(const char* text, int, int) {
        rl_attempted_completion_over = 1;  // never file names
        return rl_completion_matches(text, nextMatch);
    }

    static char* nextMatch(const char* text, int state) {
        static std::vector<std::string> matches;
        static std::size_t next = 0;
        if (state == 0) {
            matches.clear();
            next = 0;
            const std::size_t len = std::strlen(text);
            if (words_)
                for (const auto& w : words_())
                    if (w.compare(0, len, text) == 0) matches.push_back(w);
        }
        if (next >= matches.size()) return nullptr;
        const std::string& m = matches[next++];
        char* copy = static_cast<char*>(std::malloc(m.size() + 1));
        if (copy != nullptr) std::memcpy(copy, m.c_str(), m.size() + 1);
        return copy;
    }

    std::string last_;
#endif
    static inline std::function<std::vector<std::string>()> words_;
};

}  // namespace tcalc

#endif
