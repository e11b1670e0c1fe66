#include "macro/macro_stack.h"

#include <algorithm>
#include <cstring>

#include "macro/macro_run_errors.h"
#include "platform/text/cp932.h"

std::string CutTextBytes(const std::string& bytes, std::size_t max) {
    std::size_t n = 0;
    while (n < bytes.size()) {
        const std::size_t width = cp932::IsLeadByte(static_cast<unsigned char>(bytes[n])) ? 2 : 1;
        if (n + width > max || n + width > bytes.size()) break;
        n += width;
    }
    return bytes.substr(0, n);
}

MacroStack::MacroStack() : words_(kInitialCapacity, 0) {}

void MacroStack::BadIndex() { ThrowRunError(kRunSystem, 0); }

void MacroStack::Reserve(int k) {
    if (count_ + k < Capacity()) return;
    if (count_ > kMaxWords - k) ThrowRunError(kRunSystem, 0);
    const int grown = Capacity() + std::max({k + 1, kGrowth, count_ + k - Capacity() + 2});
    words_.resize(static_cast<std::size_t>(grown), 0);
}

void MacroStack::Push(std::int32_t w) {
    Reserve(1);
    words_[static_cast<std::size_t>(count_++)] = w;
}

void MacroStack::PushDouble(double x) {
    Reserve(2);
    count_ += 2;
    SetDouble(count_ - 2, x);
}

void MacroStack::PushFour(std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d) {
    Reserve(4);
    std::int32_t* p = words_.data() + count_;
    p[0] = a;
    p[1] = b;
    p[2] = c;
    p[3] = d;
    count_ += 4;
}

void MacroStack::PushText(const std::string& bytes) {
    Reserve(kTextWords);
    count_ += kTextWords;
    SetText(count_ - kTextWords, bytes);
}

std::string MacroStack::Text(int i) const {
    Check(i, kTextWords);
    const char* p = reinterpret_cast<const char*>(words_.data() + i);
    return std::string(p, strnlen(p, kTextBytes));
}

void MacroStack::SetText(int i, const std::string& bytes) {
    Check(i, kTextWords);
    const std::string cut = CutTextBytes(bytes);
    char slot[kTextWords * 4] = {};
    std::memcpy(slot, cut.data(), cut.size());
    std::memcpy(words_.data() + i, slot, sizeof slot);
}

std::int32_t MacroStack::Pop() {
    if (count_ < 1) ThrowRunError(kRunSystem, 0);
    return words_[static_cast<std::size_t>(--count_)];
}

void MacroStack::Drop(int n) {
    if (n < 0 || n > count_) ThrowRunError(kRunSystem, 0);
    count_ -= n;
}

std::int32_t MacroStack::TruncateTo(int n) {
    if (n < 0 || n > count_) ThrowRunError(kRunSystem, 0);
    count_ = n;
    return n < Capacity() ? words_[static_cast<std::size_t>(n)] : 0;
}

int MacroStack::Allocate(int n) {
    if (n < 1) n = 1;
    if (n > kMaxWords) ThrowRunError(kRunRange, 0);
    Reserve(n);
    const int first = count_;
    std::fill_n(words_.begin() + first, n, 0);
    words_[static_cast<std::size_t>(first)] = n;
    count_ += n;
    return first;
}
