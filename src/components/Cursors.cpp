#include "Cursors.h"

namespace {

constexpr WORD kHandPointCursorId = 32761;
HCURSOR handPoint = nullptr;

}  // namespace

void LoadProgramCursors(HINSTANCE instance)
{
    handPoint = LoadCursorW(instance, MAKEINTRESOURCEW(kHandPointCursorId));
    if (handPoint == nullptr) handPoint = LoadCursorW(nullptr, IDC_HAND);
}

HCURSOR CursorFor(TCursor cursor)
{
    if (cursor == TCursor::crHandPoint && handPoint != nullptr) return handPoint;
    return LoadCursorW(nullptr, IDC_ARROW);
}
