// The base of every object that a form definition creates: a name, an owner
// that destroys it, the components it owns, and properties applied by name.
#pragma once

#include "FormDefinition.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TComponent;

using TNotifyEvent = std::function<void(TComponent* sender)>;
using TProgressChangeEvent = std::function<void(TComponent* sender, std::int32_t progress, std::int32_t progressMax)>;

class TComponent {
public:
    explicit TComponent(TComponent* owner) : owner_(owner) {}
    virtual ~TComponent();
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    const std::string& Name() const { return name_; }
    void SetName(std::string name) { name_ = std::move(name); }

    template <class T>
    T& InsertComponent(std::unique_ptr<T> component) {
        T& inserted = *component;
        components_.push_back(std::move(component));
        return inserted;
    }
    const std::vector<std::unique_ptr<TComponent>>& Components() const { return components_; }
    // Destroys the owned components, the last created first, each out of the
    // list before it goes, so that whatever runs meanwhile finds none gone.
    void DestroyComponents();

    // Applies one property of the form definition. Raises EReadError for a
    // property the class does not have.
    virtual void SetProperty(const FormProperty& property) { UnknownProperty(property); }
    // Every property of the definition has been applied.
    virtual void Loaded() {}

    // Event handlers by name, answered by the form that declares them.
    virtual TNotifyEvent FindNotifyMethod(const std::string&) const { return {}; }
    virtual TProgressChangeEvent FindProgressMethod(const std::string&) const { return {}; }

protected:
    // The handler an event property names. Raises EReadError "Method <name> not found".
    TNotifyEvent ResolveNotifyEvent(const FormProperty& property) const;
    TProgressChangeEvent ResolveProgressEvent(const FormProperty& property) const;
    // The form whose handlers this component's events name: its owner.
    virtual const TComponent* HandlerForm() const { return owner_; }
    [[noreturn]] static void UnknownProperty(const FormProperty& property);

private:
    TComponent* owner_;
    std::string name_;
    std::vector<std::unique_ptr<TComponent>> components_;
};
