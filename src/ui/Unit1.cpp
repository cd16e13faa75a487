#include "Unit1.h"

#include "IntParse.h"
#include "RefreshPeriod.h"
#include "Shell.h"
#include "Site.h"

TForm1* Form1 = nullptr;

namespace {

constexpr char kLabel1Caption[] = "Open Positions on Brenvik";

template <class T>
void Bind(TComponent& component, const char* name, T*& member)
{
    if (component.Name() == name) member = dynamic_cast<T*>(&component);
}

}  // namespace

TForm1::TForm1(TComponent* owner) : TForm(owner)
{
    InitializeForm("TForm1");
}

void TForm1::BindComponent(TComponent& component)
{
    Bind(component, "Label1", Label1);
    Bind(component, "Label2", Label2);
    Bind(component, "Label3", Label3);
    Bind(component, "Label4", Label4);
    Bind(component, "ProgressBar1", ProgressBar1);
    Bind(component, "WebBrowser1", WebBrowser1);
    Bind(component, "Edit1", Edit1);
    Bind(component, "Timer1", Timer1);
    Bind(component, "XPManifest1", XPManifest1);
}

TNotifyEvent TForm1::FindNotifyMethod(const std::string& name) const
{
    auto* self = const_cast<TForm1*>(this);
    using Handler = void (TForm1::*)(TComponent*);
    struct Entry {
        const char* name;
        Handler handler;
    };
    static constexpr Entry kHandlers[] = {
        {"FormCreate", &TForm1::FormCreate},   {"Timer1Timer", &TForm1::Timer1Timer},
        {"Label1Click", &TForm1::Label1Click}, {"Label2Click", &TForm1::Label2Click},
        {"Edit1Change", &TForm1::Edit1Change}, {"Edit1Click", &TForm1::Edit1Click},
    };
    for (const Entry& entry : kHandlers)
        if (name == entry.name) return [self, handler = entry.handler](TComponent* sender) { (self->*handler)(sender); };
    return {};
}

TProgressChangeEvent TForm1::FindProgressMethod(const std::string& name) const
{
    auto* self = const_cast<TForm1*>(this);
    if (name == "WebBrowser1ProgressChange")
        return [self](TComponent* sender, std::int32_t progress, std::int32_t progressMax) {
            self->WebBrowser1ProgressChange(sender, progress, progressMax);
        };
    return {};
}

void TForm1::FormCreate(TComponent*)
{
    Label1->SetCaption(kLabel1Caption);
    WebBrowser1->Navigate(kStartPage);
}

// The range first: a position beyond the old range would otherwise be
// clamped by the platform control before the new range arrives.
void TForm1::WebBrowser1ProgressChange(TComponent*, std::int32_t progress, std::int32_t progressMax)
{
    ProgressBar1->SetMax(progressMax);
    ProgressBar1->SetPosition(progress);
}

void TForm1::Timer1Timer(TComponent*)
{
    WebBrowser1->Refresh();
}

void TForm1::Label1Click(TComponent*)
{
    OpenAddress(Handle(), kBrokerConditionsAddress);
}

void TForm1::Label2Click(TComponent*)
{
    OpenAddress(Handle(), kPublisherHomeAddress);
}

void TForm1::Edit1Change(TComponent*)
{
    Timer1->SetInterval(MinutesToPeriod(StrToInt(Edit1->Text())));
}

void TForm1::Edit1Click(TComponent* sender)
{
    Edit1Change(sender);
}
