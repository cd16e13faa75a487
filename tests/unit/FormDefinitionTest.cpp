// The main window's form definition as the executable carries it: what it
// holds, in which order, and how reading it reports a failing property.
#include "Colors.h"
#include "Exceptions.h"
#include "FormDefinition.h"
#include "Site.h"
#include "TimerSchedule.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string ReadFile(const char* path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    return content.str();
}

const FormDefinition& Unit1() {
    static const FormDefinition definition = ParseFormDefinition(ReadFile(QB_UNIT1_FORM));
    return definition;
}

std::vector<std::string> Names(const std::vector<FormProperty>& properties) {
    std::vector<std::string> names;
    for (const auto& property : properties) names.push_back(property.name);
    return names;
}

const FormComponent* Find(const std::string& name) {
    for (const auto& component : Unit1().components) {
        if (component.name == name) return &component;
    }
    return nullptr;
}

const FormValue* Value(const std::string& component, const std::string& property) {
    const auto& properties = component == Unit1().name ? Unit1().properties : Find(component)->properties;
    for (const auto& entry : properties) {
        if (entry.name == property) return &entry.value;
    }
    return nullptr;
}

std::string Describe(const FormValue& value) {
    switch (value.kind) {
    case FormValue::Kind::Integer: return std::to_string(value.integer);
    case FormValue::Kind::String: return "\"" + value.text + "\"";
    case FormValue::Kind::Identifier: return value.text;
    case FormValue::Kind::Bytes: return "<" + std::to_string(value.bytes.size()) + " bytes>";
    case FormValue::Kind::Set: {
        std::string text = "[";
        for (std::size_t i = 0; i < value.set.size(); ++i) text += (i ? ", " : "") + value.set[i];
        return text + "]";
    }
    }
    return "?";
}

const std::vector<std::string> kFormOrder = {
    "Left", "Top", "Width", "Height", "Caption", "Color", "Font.Charset", "Font.Color", "Font.Height",
    "Font.Name", "Font.Style", "OldCreateOrder", "OnCreate", "PixelsPerInch", "TextHeight"};
const std::vector<std::string> kLinkLabelOrder = {
    "Left", "Top", "Width", "Height", "Cursor", "Caption", "Font.Charset", "Font.Color", "Font.Height",
    "Font.Name", "Font.Style", "ParentFont", "OnClick"};
const std::vector<std::string> kCaptionLabelOrder = {
    "Left", "Top", "Width", "Height", "Caption", "Font.Charset", "Font.Color", "Font.Height",
    "Font.Name", "Font.Style", "ParentFont"};

struct ComponentOrder {
    std::string name;
    std::string className;
    std::vector<std::string> properties;
};

const ComponentOrder kComponents[] = {
    {"Label1", "TLabel", kLinkLabelOrder},
    {"Label2", "TLabel", kLinkLabelOrder},
    {"Label3", "TLabel", kCaptionLabelOrder},
    {"Label4", "TLabel", kCaptionLabelOrder},
    {"ProgressBar1", "TProgressBar", {"Left", "Top", "Width", "Height", "Align", "TabOrder"}},
    {"WebBrowser1", "TWebBrowser",
     {"Left", "Top", "Width", "Height", "TabOrder", "OnProgressChange", "ControlData"}},
    {"Edit1", "TEdit", {"Left", "Top", "Width", "Height", "TabOrder", "Text", "OnChange", "OnClick"}},
    {"Timer1", "TTimer", {"Interval", "OnTimer", "DesignLeft", "DesignTop"}},
    {"XPManifest1", "TXPManifest", {"DesignLeft", "DesignTop"}},
};

TEST(Unit1Form, ComponentsAndPropertyOrder) {
    const FormDefinition& form = Unit1();
    EXPECT_EQ(form.name, "Form1");
    EXPECT_EQ(form.className, "TForm1");
    EXPECT_EQ(Names(form.properties), kFormOrder) << "Form1 property order";
    ASSERT_EQ(form.components.size(), std::size(kComponents)) << "number of components";
    for (std::size_t i = 0; i < std::size(kComponents); ++i) {
        const auto& actual = form.components[i];
        const auto& expected = kComponents[i];
        EXPECT_EQ(actual.name, expected.name) << "component " << i + 1 << " in creation order";
        EXPECT_EQ(actual.className, expected.className) << expected.name << " class";
        EXPECT_EQ(Names(actual.properties), expected.properties) << expected.name << " property order";
    }
}

TEST(Unit1Form, KeyValues) {
    const std::string host = kPublisherHost;
    const std::map<std::pair<std::string, std::string>, std::string> expected = {
        {{"Form1", "Left"}, "432"}, {{"Form1", "Top"}, "69"},
        {{"Form1", "Width"}, "815"}, {{"Form1", "Height"}, "536"},
        {{"Form1", "Caption"}, "\"Open Positions on Brenvik with " + host + "\""},
        {{"Form1", "Color"}, "clWindow"}, {{"Form1", "Font.Charset"}, "DEFAULT_CHARSET"},
        {{"Form1", "Font.Color"}, "clWindowText"}, {{"Form1", "Font.Height"}, "-11"},
        {{"Form1", "Font.Name"}, "\"MS Sans Serif\""}, {{"Form1", "Font.Style"}, "[]"},
        {{"Form1", "OldCreateOrder"}, "False"}, {{"Form1", "OnCreate"}, "FormCreate"},
        {{"Form1", "PixelsPerInch"}, "96"}, {{"Form1", "TextHeight"}, "13"},

        {{"Label1", "Left"}, "344"}, {{"Label1", "Top"}, "2"},
        {{"Label1", "Width"}, "150"}, {{"Label1", "Height"}, "18"},
        {{"Label1", "Cursor"}, "crHandPoint"}, {{"Label1", "Caption"}, "\"Open Positions on Brenvik\""},
        {{"Label1", "Font.Charset"}, "RUSSIAN_CHARSET"}, {{"Label1", "Font.Color"}, "clBlue"},
        {{"Label1", "Font.Height"}, "-13"}, {{"Label1", "Font.Name"}, "\"Book Antiqua\""},
        {{"Label1", "Font.Style"}, "[fsBold]"}, {{"Label1", "ParentFont"}, "False"},
        {{"Label1", "OnClick"}, "Label1Click"},

        {{"Label2", "Left"}, "576"}, {{"Label2", "Top"}, "0"},
        {{"Label2", "Width"}, "149"}, {{"Label2", "Height"}, "21"},
        {{"Label2", "Cursor"}, "crHandPoint"}, {{"Label2", "Caption"}, "\" " + host + "\""},
        {{"Label2", "Font.Charset"}, "DEFAULT_CHARSET"}, {{"Label2", "Font.Color"}, "clRed"},
        {{"Label2", "Font.Height"}, "-16"}, {{"Label2", "Font.Name"}, "\"Book Antiqua\""},
        {{"Label2", "Font.Style"}, "[fsBold, fsUnderline]"}, {{"Label2", "OnClick"}, "Label2Click"},

        {{"Label3", "Left"}, "32"}, {{"Label3", "Width"}, "126"}, {{"Label3", "Height"}, "16"},
        {{"Label3", "Caption"}, "\"\xd0\x9e\xd0\xb1\xd0\xbd\xd0\xbe\xd0\xb2\xd0\xbb\xd1\x8f\xd1\x82\xd1\x8c "
                                "\xd0\xba\xd0\xb0\xd0\xb6\xd0\xb4\xd1\x8b\xd0\xb5 \""},
        {{"Label3", "Font.Height"}, "-13"}, {{"Label3", "Font.Name"}, "\"MS Sans Serif\""},
        {{"Label3", "Font.Color"}, "clWindowText"}, {{"Label3", "ParentFont"}, "False"},
        {{"Label4", "Left"}, "200"}, {{"Label4", "Width"}, "40"},
        {{"Label4", "Caption"}, "\"\xd0\xbc\xd0\xb8\xd0\xbd\xd1\x83\xd1\x82\""},
        {{"Label4", "Font.Height"}, "-13"}, {{"Label4", "Font.Style"}, "[]"},

        {{"ProgressBar1", "Left"}, "0"}, {{"ProgressBar1", "Top"}, "485"},
        {{"ProgressBar1", "Width"}, "807"}, {{"ProgressBar1", "Height"}, "17"},
        {{"ProgressBar1", "Align"}, "alBottom"}, {{"ProgressBar1", "TabOrder"}, "0"},

        {{"WebBrowser1", "Left"}, "0"}, {{"WebBrowser1", "Top"}, "24"},
        {{"WebBrowser1", "Width"}, "793"}, {{"WebBrowser1", "Height"}, "457"},
        {{"WebBrowser1", "TabOrder"}, "1"},
        {{"WebBrowser1", "OnProgressChange"}, "WebBrowser1ProgressChange"},
        {{"WebBrowser1", "ControlData"}, "<156 bytes>"},

        {{"Edit1", "Left"}, "160"}, {{"Edit1", "Top"}, "0"},
        {{"Edit1", "Width"}, "33"}, {{"Edit1", "Height"}, "21"},
        {{"Edit1", "TabOrder"}, "2"}, {{"Edit1", "Text"}, "\"5\""},
        {{"Edit1", "OnChange"}, "Edit1Change"}, {{"Edit1", "OnClick"}, "Edit1Click"},

        {{"Timer1", "Interval"}, "300000"}, {{"Timer1", "OnTimer"}, "Timer1Timer"},
        {{"Timer1", "DesignLeft"}, "224"}, {{"Timer1", "DesignTop"}, "136"},
        {{"XPManifest1", "DesignLeft"}, "464"}, {{"XPManifest1", "DesignTop"}, "456"},
    };
    for (const auto& [key, described] : expected) {
        const FormValue* value = Value(key.first, key.second);
        ASSERT_NE(value, nullptr) << key.first << "." << key.second << " missing";
        EXPECT_EQ(Describe(*value), described) << key.first << "." << key.second;
    }
    EXPECT_EQ(ColorFromName(Value("Label1", "Font.Color")->AsIdentifier()), clBlue) << "Label1 colour";
    EXPECT_EQ(ColorFromName(Value("Label2", "Font.Color")->AsIdentifier()), clRed) << "Label2 colour";
    EXPECT_EQ(ColorFromName(Value("Form1", "Color")->AsIdentifier()), clWindow) << "Form1 colour";
    EXPECT_EQ(ColorFromName(Value("Form1", "Font.Color")->AsIdentifier()), clWindowText) << "font colour";
    EXPECT_EQ(ColorFromName("clBtnFace"), std::nullopt) << "unknown colour name";
    EXPECT_FALSE(Value("Form1", "OldCreateOrder")->AsBoolean()) << "OldCreateOrder";
    EXPECT_EQ(Value("Timer1", "Interval")->AsInteger(), 300000) << "Timer1.Interval";
}

std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

std::uint16_t U16(const std::vector<std::uint8_t>& b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

// Checks the GUID in its in-memory layout: Data1, Data2, Data3 little-endian,
// then the eight bytes of Data4 as written.
void ExpectGuid(const std::vector<std::uint8_t>& b, std::size_t at, const std::string& guid,
                const std::string& what) {
    ASSERT_EQ(guid.size(), 38u);
    auto hex = [&](std::size_t from, std::size_t length) {
        return static_cast<std::uint32_t>(std::stoul(guid.substr(from, length), nullptr, 16));
    };
    EXPECT_EQ(U32(b, at), hex(1, 8)) << what << " Data1";
    EXPECT_EQ(U16(b, at + 4), hex(10, 4)) << what << " Data2";
    EXPECT_EQ(U16(b, at + 6), hex(15, 4)) << what << " Data3";
    const std::string data4 = guid.substr(20, 4) + guid.substr(25, 12);
    for (std::size_t i = 0; i < 8; ++i) {
        EXPECT_EQ(b[at + 8 + i], std::stoul(data4.substr(2 * i, 2), nullptr, 16)) << what << " Data4[" << i << "]";
    }
}

TEST(Unit1Form, ControlDataLayout) {
    const std::vector<std::uint8_t>& data = Value("WebBrowser1", "ControlData")->bytes;
    ASSERT_EQ(data.size(), 156u) << "ControlData length";

    struct Field {
        std::size_t offset;
        std::uint32_t value;
        const char* what;
    };
    const Field fields[] = {
        {0, 76, "record size"},
        {4, 20981, "extent width (HIMETRIC)"},
        {8, 12091, "extent height (HIMETRIC)"},
        {36, 76, "76 at 36"},
        {48, 1, "1 at 48"},
        {68, 8, "8 at 68"},
        {76, 76, "shell link HeaderSize"},
        {96, 0x80, "shell link LinkFlags"},
        {136, 1, "shell link ShowCommand"},
    };
    std::vector<bool> covered(data.size(), false);
    for (const auto& [offset, value, what] : fields) {
        EXPECT_EQ(U32(data, offset), value) << what << " at offset " << offset;
        for (std::size_t i = 0; i < 4; ++i) covered[offset + i] = true;
    }
    ExpectGuid(data, 52, "{0057D0E0-3573-11CF-AE69-08002B2E1262}", "GUID at 52");
    ExpectGuid(data, 80, "{00021401-0000-0000-C000-000000000046}", "LinkCLSID");
    for (std::size_t i = 0; i < 16; ++i) covered[52 + i] = covered[80 + i] = true;
    for (std::size_t i = 0; i < data.size(); ++i) {
        if (!covered[i]) {
            EXPECT_EQ(data[i], 0) << "byte " << i << " must be zero";
        }
    }
}

// Records every call as text so that the order can be compared whole.
class RecordingReader : public FormReader {
public:
    std::vector<std::string> calls;
    std::string failOn;  // "<owner>.<property>"
    TimerSchedule* timer = nullptr;

    void SetFormProperty(const FormProperty& property) override { Apply("Form1", property); }
    void CreateComponent(const FormComponent& component) override {
        calls.push_back("create " + component.name);
    }
    void SetComponentProperty(const FormComponent& component, const FormProperty& property) override {
        Apply(component.name, property);
    }

private:
    void Apply(const std::string& owner, const FormProperty& property) {
        const std::string name = owner + "." + property.name;
        calls.push_back(name);
        if (name == failOn) throw EConvertError("Bad value");
        if (timer && name == "Timer1.Interval") timer->SetInterval(static_cast<std::uint32_t>(property.value.AsInteger()));
        if (timer && name == "Timer1.OnTimer") timer->SetHandlerAttached(true);
        if (name == "Label1.Left") property.value.AsInteger();
        if (name == "Label1.Caption") property.value.AsString();
    }
};

TEST(ReadFormDefinition, CallsInApplicationOrder) {
    const FormDefinition definition = ParseFormDefinition(
        "form F: TF\nLeft 1\nTop 2\ncomponent A: TA\nX 1\nY 2\ncomponent B: TB\ncomponent C: TC\nZ 3\n");
    RecordingReader reader;
    ReadFormDefinition(definition, reader);
    const std::vector<std::string> expected = {"Form1.Left", "Form1.Top", "create A", "A.X", "A.Y",
                                               "create B", "create C", "C.Z"};
    EXPECT_EQ(reader.calls, expected) << "order of reader calls";

    RecordingReader unit1Reader;
    ReadFormDefinition(Unit1(), unit1Reader);
    std::vector<std::string> created;
    for (const auto& call : unit1Reader.calls) {
        if (call.rfind("create ", 0) == 0) created.push_back(call.substr(7));
    }
    const std::vector<std::string> creationOrder = {"Label1", "Label2", "Label3", "Label4", "ProgressBar1",
                                                    "WebBrowser1", "Edit1", "Timer1", "XPManifest1"};
    EXPECT_EQ(created, creationOrder) << "creation order of Unit1's components";
}

class RefusingTimer : public PlatformTimer {
public:
    void Kill() override {}
    bool Start(std::uint32_t) override { return false; }
};

TEST(ReadFormDefinition, FailuresNameComponentAndProperty) {
    RefusingTimer platformTimer;
    TimerSchedule schedule(platformTimer);
    RecordingReader reader;
    reader.timer = &schedule;
    try {
        ReadFormDefinition(Unit1(), reader);
        ADD_FAILURE() << "a refused timer did not fail the reading";
    } catch (const EReadError& error) {
        EXPECT_EQ(error.Message(), "Error reading Timer1.OnTimer: Not enough timers available");
        EXPECT_STREQ(error.ClassName(), "EReadError");
    }
    ASSERT_FALSE(reader.calls.empty());
    EXPECT_EQ(reader.calls.back(), "Timer1.OnTimer") << "reading stops at the failing property";
    EXPECT_EQ(schedule.Interval(), 300000u) << "Interval was applied before OnTimer";

    struct Case {
        std::string failOn;
        std::string definition;
        std::string message;
    };
    const Case cases[] = {
        {"Form1.Color", "", "Error reading Form1.Color: Bad value"},
        {"Edit1.Text", "", "Error reading Edit1.Text: Bad value"},
        {"", "form Form1: TForm1\ncomponent Label1: TLabel\nLeft \"x\"\n",
         "Error reading Label1.Left: Invalid property value"},
        {"", "form Form1: TForm1\ncomponent Label1: TLabel\nCaption 5\n",
         "Error reading Label1.Caption: Invalid property value"},
    };
    for (const auto& [failOn, text, message] : cases) {
        RecordingReader failing;
        failing.failOn = failOn;
        try {
            ReadFormDefinition(text.empty() ? Unit1() : ParseFormDefinition(text), failing);
            ADD_FAILURE() << "no failure for " << message;
        } catch (const EReadError& error) {
            EXPECT_EQ(error.Message(), message);
        }
    }
}

}  // namespace
