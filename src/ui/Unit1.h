// The main window: the open positions page, its load progress, the refresh
// period the user types, and the two links.
#pragma once

#include "Edit.h"
#include "Form.h"
#include "Label.h"
#include "ProgressBar.h"
#include "Timer.h"
#include "WebBrowser.h"
#include "XPManifest.h"

#include <cstdint>

class TForm1 : public TForm {
public:
    explicit TForm1(TComponent* owner);

    TLabel* Label1 = nullptr;
    TLabel* Label2 = nullptr;
    TLabel* Label3 = nullptr;
    TLabel* Label4 = nullptr;
    TProgressBar* ProgressBar1 = nullptr;
    TWebBrowser* WebBrowser1 = nullptr;
    TEdit* Edit1 = nullptr;
    TTimer* Timer1 = nullptr;
    TXPManifest* XPManifest1 = nullptr;

    void FormCreate(TComponent* sender);
    void WebBrowser1ProgressChange(TComponent* sender, std::int32_t progress, std::int32_t progressMax);
    void Timer1Timer(TComponent* sender);
    void Label1Click(TComponent* sender);
    void Label2Click(TComponent* sender);
    void Edit1Change(TComponent* sender);
    void Edit1Click(TComponent* sender);

    TNotifyEvent FindNotifyMethod(const std::string& name) const override;
    TProgressChangeEvent FindProgressMethod(const std::string& name) const override;

protected:
    std::unique_ptr<TComponent> NewComponent(const std::string& className) override;
    void BindComponents() override;
};

// The main window, empty until it has been built and again if building failed.
extern TForm1* Form1;
