// SPDX-License-Identifier: MIT
// tcalc's interactive input: a prompt, line editing, history kept in a file and completion
// of names with libedit when tcalc was built with it (TCALC_HAVE_LIBEDIT), plain lines
// otherwise. Ctrl-C (SIGINT, caught by the caller without SA_RESTART) ends a read with
// Line::interrupted.
#ifndef TCALC_LINE_READER_HPP
#define TCALC_LINE_READER_HPP

#include <sys/stat.h>

#include <cerrno>
#include <csignal>
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

// The history file: $XDG_STATE_HOME/tcalc/history when XDG_STATE_HOME is an absolute path,
// else ~/.tcalc_history; empty without a home. The directory is made when missing.
inline std::string historyFile() {
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state != nullptr && state[0] == '/') {
        const std::string dir = std::string(state) + "/tcalc";
        if (mkdir(state, 0700) == 0 || errno == EEXIST) {
            if (mkdir(dir.c_str(), 0700) == 0 || errno == EEXIST) return dir + "/history";
        }
    }
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] == '\0') return "";
    return std::string(home) + "/.tcalc_history";
}

class LineReader {
public:
    // The history keeps this many lines, in memory and in its file.
    static constexpr int kHistoryLines = 1000;

    // `words` lists what Tab may complete (names and commands) at the time it is pressed.
    // `historyPath` is the file the history is read from and written to (none when empty).
    LineReader(std::function<std::vector<std::string>()> words, std::string historyPath)
        : history_(std::move(historyPath)) {
        words_ = std::move(words);
#ifdef TCALC_HAVE_LIBEDIT
        rl_readline_name = "tcalc";  // for ~/.editrc
        rl_basic_word_break_characters = " \t+-*/^=()<>!;,";
        rl_attempted_completion_function = complete;
        using_history();
        stifle_history(kHistoryLines);
        if (!history_.empty()) read_history(history_.c_str());
        const HIST_ENTRY* last = history_length > 0 ? history_get(history_base + history_length - 1) : nullptr;
        if (last != nullptr && last->line != nullptr) last_ = last->line;
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

    struct Line {
        enum Kind { typed, interrupted, end } kind = end;
        std::string text;
    };

    // The next line without its end; interrupted when *stop became non-zero while it was
    // typed (the caller clears it); end at the end of input (Ctrl-D).
    Line read(const char* prompt, const volatile std::sig_atomic_t* stop) {
        std::cout.flush();
#ifdef TCALC_HAVE_LIBEDIT
        char* raw = readline(prompt);
        if (*stop != 0) {
            std::free(raw);
            return {Line::interrupted, ""};
        }
        if (raw == nullptr) return {};
        std::string line(raw);
        std::free(raw);
        return {Line::typed, line};
#else
        std::cout << prompt << std::flush;
        std::string line;
        if (!std::getline(std::cin, line)) {
            if (*stop == 0) return {};
            std::cin.clear();
            return {Line::interrupted, ""};
        }
        return {Line::typed, line};
#endif
    }

    // Adds a line to the history that the up arrow walks, unless it repeats the last one,
    // and writes the history file.
    void remember(const std::string& line) {
#ifdef TCALC_HAVE_LIBEDIT
        if (line == last_) return;
        add_history(line.c_str());
        last_ = line;
        if (!history_.empty()) write_history(history_.c_str());
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
    std::string history_;
    static inline std::function<std::vector<std::string>()> words_;
};

}  // namespace tcalc

#endif
