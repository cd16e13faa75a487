#include "OpenBoxes.h"

#include <algorithm>
#include <utility>

bool OpenBoxes::Admits(const std::string& text) const {
    return texts_.size() < kMaxDepth && std::find(texts_.begin(), texts_.end(), text) == texts_.end();
}

OpenBoxes::Open::Open(OpenBoxes& boxes, std::string text) : boxes_(boxes) { boxes_.texts_.push_back(std::move(text)); }

// Boxes close in the reverse order they opened, each modal loop inside the last.
OpenBoxes::Open::~Open() { boxes_.texts_.pop_back(); }
