// Stands for the application manifest that gives the controls the themed
// look; the manifest itself is a resource of the executable.
#pragma once

#include "Component.h"

class TXPManifest : public TComponent {
public:
    using TComponent::TComponent;
    void SetProperty(const FormProperty& property) override {
        if (property.name == "DesignLeft" || property.name == "DesignTop") property.value.AsInteger();
        else TComponent::SetProperty(property);
    }
};
