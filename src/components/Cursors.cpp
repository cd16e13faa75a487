#include "Cursors.h"

#include "ResourceIds.h"

namespace {

HCURSOR handPoint = nullptr;

}  // namespace

void LoadProgramCursors(HINSTANCE instance) {
    handPoint = LoadCursorW(instance, MAKEINTRESOURCEW(QB_HAND_CURSOR));
    if (handPoint == nullptr) handPoint = LoadCursorW(nullptr, IDC_HAND);
}

HCURSOR CursorFor(TCursor cursor) {
    if (cursor == TCursor::crHandPoint && handPoint != nullptr) return handPoint;
    return LoadCursorW(nullptr, IDC_ARROW);
}
