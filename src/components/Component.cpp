#include "Component.h"

#include "Exceptions.h"

TComponent::~TComponent()
{
    DestroyComponents();
}

void TComponent::DestroyComponents()
{
    while (!components_.empty()) components_.pop_back();
}

void TComponent::SetProperty(const FormProperty& property)
{
    UnknownProperty(property);
}

void TComponent::UnknownProperty(const FormProperty& property)
{
    throw EReadError("Property " + property.name + " does not exist");
}

TNotifyEvent TComponent::FindNotifyMethod(const std::string&) const
{
    return {};
}

TProgressChangeEvent TComponent::FindProgressMethod(const std::string&) const
{
    return {};
}

TNotifyEvent TComponent::ResolveNotifyEvent(const FormProperty& property) const
{
    TNotifyEvent method = owner_ != nullptr ? owner_->FindNotifyMethod(property.value.AsIdentifier()) : TNotifyEvent{};
    if (!method) InvalidPropertyValue();
    return method;
}

TProgressChangeEvent TComponent::ResolveProgressEvent(const FormProperty& property) const
{
    TProgressChangeEvent method =
        owner_ != nullptr ? owner_->FindProgressMethod(property.value.AsIdentifier()) : TProgressChangeEvent{};
    if (!method) InvalidPropertyValue();
    return method;
}
