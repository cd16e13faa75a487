#include "AccessibleChildren.h"

#include "Form.h"
#include "Label.h"

#include <tuple>

namespace {

const TControl* Candidate(const TComponent& component) {
    auto* control = dynamic_cast<const TControl*>(&component);
    if (control == nullptr || !control->Visible()) return nullptr;
    auto* windowed = dynamic_cast<const TWinControl*>(control);
    return (windowed != nullptr ? windowed->HandleAllocated() : dynamic_cast<const TLabel*>(control) != nullptr)
        ? control
        : nullptr;
}

bool Aligned(const TControl& control) { return control.Align() != TAlign::alNone; }

// Where a control stands in reading order: its group (aligned to an edge or
// not), its line, its left edge, its place in creation order. A line begins
// with a control whose top lies at or below the bottom of every control that
// begins above it.
std::tuple<bool, int, int, size_t> ReadingKey(const TForm& form, size_t index) {
    const auto& components = form.Components();
    const TControl& control = *Candidate(*components[index]);
    if (Aligned(control)) return {true, 0, 0, index};
    auto above = [&](size_t a, size_t b) {  // a begins above b, the first made first on the same top
        const int topA = Candidate(*components[a])->Top(), topB = Candidate(*components[b])->Top();
        return topA != topB ? topA < topB : a < b;
    };
    auto unaligned = [&](size_t i) {
        return Candidate(*components[i]) != nullptr && !Aligned(*Candidate(*components[i]));
    };
    int line = 0;
    for (size_t start = 0; start < components.size(); ++start) {
        if (!unaligned(start) || above(index, start)) continue;
        bool begins = true;
        for (size_t before = 0; before < components.size() && begins; ++before)
            if (unaligned(before) && above(before, start))
                begins = Candidate(*components[before])->Top() + Candidate(*components[before])->Height() <=
                    Candidate(*components[start])->Top();
        line += begins;
    }
    return {false, line, control.Left(), index};
}

LONG IdAt(const TForm& form, size_t index) {
    const auto key = ReadingKey(form, index);
    LONG id = 1;
    for (size_t other = 0; other < form.Components().size(); ++other)
        if (Candidate(*form.Components()[other]) != nullptr && ReadingKey(form, other) < key) ++id;
    return id;
}

}  // namespace

LONG AccessibleChildCount(const TForm& form) {
    LONG count = 0;
    for (const auto& component : form.Components()) count += Candidate(*component) != nullptr;
    return count;
}

LONG AccessibleChildId(const TForm& form, const TControl& control) {
    const auto& components = form.Components();
    for (size_t index = 0; index < components.size(); ++index)
        if (components[index].get() == &control && Candidate(control) != nullptr) return IdAt(form, index);
    return CHILDID_SELF;
}

TControl* AccessibleChild(const TForm& form, LONG id) {
    const auto& components = form.Components();
    for (size_t index = 0; index < components.size(); ++index)
        if (Candidate(*components[index]) != nullptr && IdAt(form, index) == id)
            return static_cast<TControl*>(components[index].get());
    return nullptr;
}

void NotifyInvoked(const TForm& form, const TControl& control) {
    const LONG id = AccessibleChildId(form, control);
    if (form.HandleAllocated() && id != CHILDID_SELF)
        NotifyWinEvent(EVENT_OBJECT_INVOKED, form.Handle(), OBJID_CLIENT, id);
}
