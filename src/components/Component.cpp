#include "Component.h"

#include "Exceptions.h"

namespace {

template <class Event>
Event Found(Event method, const FormProperty& property) {
    if (!method) throw EReadError("Method " + property.value.AsIdentifier() + " not found");
    return method;
}

}  // namespace

TComponent::~TComponent() { DestroyComponents(); }

void TComponent::DestroyComponents() {
    while (!components_.empty()) {
        const std::unique_ptr<TComponent> last = std::move(components_.back());
        components_.pop_back();
    }
}

void TComponent::UnknownProperty(const FormProperty& property) {
    throw EReadError("Property " + property.name + " does not exist");
}

TNotifyEvent TComponent::ResolveNotifyEvent(const FormProperty& property) const {
    return Found(HandlerForm() ? HandlerForm()->FindNotifyMethod(property.value.AsIdentifier()) : nullptr, property);
}

TProgressChangeEvent TComponent::ResolveProgressEvent(const FormProperty& property) const {
    return Found(HandlerForm() ? HandlerForm()->FindProgressMethod(property.value.AsIdentifier()) : nullptr, property);
}
