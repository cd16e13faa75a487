// The error boxes open at the moment, each inside the modal loop of the one
// before. The refresh timer ticks on under an open box, so a reload that
// fails at every tick would otherwise open one more box inside the last until
// the stack ran out: a box that would say what an open one says already is
// not opened, and boxes nest no deeper than a fixed bound.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

class OpenBoxes {
public:
    // The bound is far above the number of distinct failures the program can
    // raise at once, and it keeps the boxes to a small part of the 2 MiB stack: under Wine a nested box takes 1.4 KiB
    // of it in the 32-bit build and 2 KiB in the 64-bit one, so Windows' own
    // boxes may take ten times that and still leave nine tenths free.
    static constexpr std::size_t kMaxDepth = 16;

    bool Admits(const std::string& text) const;

    // Marks the text as shown for as long as its box stays open.
    class Open {
    public:
        Open(OpenBoxes& boxes, std::string text);
        ~Open();
        Open(const Open&) = delete;
        Open& operator=(const Open&) = delete;

    private:
        OpenBoxes& boxes_;
    };

private:
    std::vector<std::string> texts_;
};
