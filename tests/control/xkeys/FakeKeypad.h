// A keypad played by the test: it lists the products it is told to, hands over the
// reports queued for it one per read, records what is written to it, and can be pulled out.
#pragma once

#include "control/xkeys/KeypadDevice.h"

#include <deque>

namespace kalvor::test {

class FakeKeypad final : public xkeys::KeypadDevice {
public:
    struct State {
        std::vector<xkeys::KeypadFound> listed;
        QString openError;
        std::deque<std::vector<std::uint8_t>> queued;
        std::vector<xkeys::Report> written;
        bool gone = false;
        bool opened = false;
        int reads = 0;
    };
    explicit FakeKeypad(State& s) : s_(s) {}

    std::vector<xkeys::KeypadFound> enumerate() override { return s_.listed; }
    QString open(const std::string&) override {
        s_.opened = s_.openError.isEmpty();
        return s_.openError;
    }
    xkeys::ReadStatus read(std::vector<std::uint8_t>& report) override {
        ++s_.reads;
        if (s_.gone)
            return xkeys::ReadStatus::Gone;
        if (s_.queued.empty())
            return xkeys::ReadStatus::Nothing;
        report = s_.queued.front();
        s_.queued.pop_front();
        return xkeys::ReadStatus::Report;
    }
    bool write(const xkeys::Report& r) override {
        s_.written.push_back(r);
        return !s_.gone;
    }
    void close() override { s_.opened = false; }

private:
    State& s_;
};

// A key report of the 128-key model with these channel and function keys down.
inline std::vector<std::uint8_t> k128Report(std::initializer_list<int> channels,
                                            std::initializer_list<int> functions = {}) {
    std::vector<std::uint8_t> r(20, 0);
    r[3] = 0x7A;
    static constexpr int kChannelBytes[] = {4, 6, 8, 10};
    for (int k : channels)
        r[static_cast<std::size_t>(kChannelBytes[k % 4])] |=
            static_cast<std::uint8_t>(1u << (k / 4));
    for (int f : functions)
        r[static_cast<std::size_t>(12 + (f - 1) % 8)] |=
            static_cast<std::uint8_t>(1u << ((f - 1) / 8));
    return r;
}

} // namespace kalvor::test
