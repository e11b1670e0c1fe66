// MacroStack: the word stack of a macro run. Variables, frames, loop and
// select frames and array elements live here as 32-bit words; a double takes
// two words (low word first), a text eight (31 bytes and a 0 byte).
// Every access is checked against the count: a bad index is the run-time
// error of kind 2 (system error).
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

class MacroStack {
public:
    static constexpr int kInitialCapacity = 512;
    static constexpr int kGrowth = 128;
    static constexpr int kTextWords = 8;
    static constexpr int kTextBytes = 31;
    // More words than this is a run-time error rather than an allocation.
    static constexpr int kMaxWords = 1 << 26;

    MacroStack();

    int Count() const { return count_; }
    int Capacity() const { return static_cast<int>(words_.size()); }

    void Push(std::int32_t w);
    void PushDouble(double x);
    void PushFour(std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d);
    void PushText(const std::string& bytes);

    std::int32_t Word(int i) const {
        Check(i, 1);
        return words_[static_cast<std::size_t>(i)];
    }
    void SetWord(int i, std::int32_t w) {
        Check(i, 1);
        words_[static_cast<std::size_t>(i)] = w;
    }
    double Double(int i) const {
        Check(i, 2);
        double x;
        std::memcpy(&x, words_.data() + i, sizeof x);
        return x;
    }
    void SetDouble(int i, double x) {
        Check(i, 2);
        std::memcpy(words_.data() + i, &x, sizeof x);
    }
    std::string Text(int i) const;
    void SetText(int i, const std::string& bytes);

    std::int32_t Pop();
    void Drop(int n);
    // Count := n (n at most the count); returns the word at n.
    std::int32_t TruncateTo(int n);
    // n zeroed words, the first set to n; returns the first index.
    int Allocate(int n);

    // Throws the system error unless words i .. i + n - 1 exist.
    void Check(int i, int n) const {
        if (i < 0 || n < 0 || i > count_ - n) BadIndex();
    }

private:
    [[noreturn]] static void BadIndex();
    void Reserve(int k);

    std::vector<std::int32_t> words_;
    int count_ = 0;
};

// The CP932 bytes cut to at most max bytes, never inside a character.
std::string CutTextBytes(const std::string& bytes, std::size_t max = MacroStack::kTextBytes);
