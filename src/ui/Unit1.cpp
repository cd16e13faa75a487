#include "Unit1.h"

#include "IntParse.h"
#include "RefreshPeriod.h"
#include "ResourceIds.h"
#include "Shell.h"
#include "Site.h"

TForm1* Form1 = nullptr;

namespace {

constexpr char kLabel1Caption[] = "Open Positions on Brenvik";

}  // namespace

TForm1::TForm1(TComponent* owner) : TForm(owner) {
    InitializeForm("TForm1", QB_RESOURCE_NAME(QB_FORM1_DEFINITION));
    // What screen readers say of the links and of the period box, whose
    // caption is Label3.
    Label1->SetLinkAddress(kBrokerConditionsAddress);
    Label2->SetLinkAddress(kPublisherHomeAddress);
    Edit1->SetAccessibleName(std::string(Label3->AccessibleName()));
}

std::unique_ptr<TComponent> TForm1::NewComponent(const std::string& className) {
    if (className == "TLabel") return std::make_unique<TLabel>(this);
    if (className == "TEdit") return std::make_unique<TEdit>(this);
    if (className == "TProgressBar") return std::make_unique<TProgressBar>(this);
    if (className == "TWebBrowser") return std::make_unique<TWebBrowser>(this);
    if (className == "TTimer") return std::make_unique<TTimer>(this);
    if (className == "TXPManifest") return std::make_unique<TXPManifest>(this);
    return TForm::NewComponent(className);
}

void TForm1::BindComponents() {
    Bind("Label1", Label1);
    Bind("Label2", Label2);
    Bind("Label3", Label3);
    Bind("Label4", Label4);
    Bind("ProgressBar1", ProgressBar1);
    Bind("WebBrowser1", WebBrowser1);
    Bind("Edit1", Edit1);
    Bind("Timer1", Timer1);
    Bind("XPManifest1", XPManifest1);
}

TNotifyEvent TForm1::FindNotifyMethod(const std::string& name) const {
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
        if (name == entry.name)
            return [self, handler = entry.handler](TComponent* sender) { (self->*handler)(sender); };
    return {};
}

TProgressChangeEvent TForm1::FindProgressMethod(const std::string& name) const {
    auto* self = const_cast<TForm1*>(this);
    if (name == "WebBrowser1ProgressChange")
        return [self](TComponent* sender, std::int32_t progress, std::int32_t progressMax) {
            self->WebBrowser1ProgressChange(sender, progress, progressMax);
        };
    return {};
}

void TForm1::FormCreate(TComponent*) {
    Label1->SetCaption(kLabel1Caption);
    WebBrowser1->Navigate(kStartPage);
}

// The range first: a position beyond the old range would otherwise be
// clamped by the platform control before the new range arrives.
void TForm1::WebBrowser1ProgressChange(TComponent*, std::int32_t progress, std::int32_t progressMax) {
    ProgressBar1->SetMax(progressMax);
    ProgressBar1->SetPosition(progress);
}

void TForm1::Timer1Timer(TComponent*) { WebBrowser1->Refresh(); }

void TForm1::Label1Click(TComponent*) { OpenAddress(Handle(), kBrokerConditionsAddress); }

void TForm1::Label2Click(TComponent*) { OpenAddress(Handle(), kPublisherHomeAddress); }

void TForm1::Edit1Change(TComponent*) { Timer1->SetInterval(MinutesToPeriod(StrToInt(Edit1->Text()))); }

void TForm1::Edit1Click(TComponent* sender) { Edit1Change(sender); }
