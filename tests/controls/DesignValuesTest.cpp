// The text of a form's stored design values: written and read back, read as
// people write it, and refused with the place of the mistake.
#include "ButtonFakes.h"
#include "controls/host/DesignValues.h"

#include <gtest/gtest.h>

namespace quill::host {
namespace {

using Kind = PictureSource::Kind;

TEST(DesignValues, EveryKindOfValueIsWrittenAndReadBack) {
    test::FakePictureLoader pictures;
    ControlDesign button{"CmdStoreBrowse", "kestbutton", {}};
    MemoryPropertyBag& bag = button.properties;
    bag.Set("Enabled", false);
    bag.Set("Small", 1335);
    bag.Set("Colour", 0xFFD1AD);
    bag.Set("SystemColour", static_cast<std::int32_t>(0x8000000Fu));
    bag.Set("Negative", -1);
    bag.Set("Caption", std::string("Save && E&xit \"now\"\\\n\t\r\x01 \xC3\xA9t\xC3\xA9 # not a comment"));
    bag.Set("Empty", std::string());
    bag.Set("Font", Font{"Tahoma", 14.25, 700, true, true, true, 2});
    bag.Set("OddWeight", Font{"Verdana", 8, 600});
    bag.Set("Icon", pictures.Load({Kind::kIcon, 101}));
    bag.Set("Bitmap", pictures.Load({Kind::kBitmap, 65535}));
    bag.Set("Cursor", pictures.Load({Kind::kCursor, 3}));
    bag.Set("NoPicture", PicturePtr{});
    FormDesign form{{button, {"Second", "kestbutton", {}}}};

    std::string text = WriteDesignValues(form);
    FormDesign reread = ParseDesignValues(text, "test", pictures);
    EXPECT_EQ(reread, form);
    EXPECT_EQ(WriteDesignValues(reread), text);
    EXPECT_NE(text.find("Colour = 0xFFD1AD\n"), std::string::npos) << text;
    EXPECT_NE(text.find("SystemColour = 0x8000000F\n"), std::string::npos) << text;
}

TEST(DesignValues, HandWrittenTextIsRead) {
    test::FakePictureLoader pictures;
    const std::string text =
        "\xEF\xBB\xBF# MainFrm's buttons\r\n"
        "\r\n"
        "control CmdImportMessages kestbutton   # the big one\r\n"
        "\tButtonStyle=8\r\n"
        "    BackColor = 0xffd1ad\r\n"
        "    Font = Font( \"Tahoma\" , 14.25 , bold )\r\n"
        "    PictureNormal = Icon(101)\r\n"
        "    Caption = \"Convert Messages\"\r\n"
        "end\r\n";
    FormDesign form = ParseDesignValues(text, "MainFrm", pictures);
    ASSERT_EQ(form.controls.size(), 1u);
    const ControlDesign& c = form.controls[0];
    EXPECT_EQ(c.name, "CmdImportMessages");
    EXPECT_EQ(c.type, "kestbutton");
    EXPECT_EQ(*c.properties.Find("ButtonStyle"), PropertyValue(8));
    EXPECT_EQ(*c.properties.Find("BackColor"), PropertyValue(0xFFD1AD));
    EXPECT_EQ(*c.properties.Find("Font"), PropertyValue(Font{"Tahoma", 14.25, 700}));
    EXPECT_EQ(*c.properties.Find("PictureNormal"), PropertyValue(pictures.Load({Kind::kIcon, 101})));
    EXPECT_EQ(*c.properties.Find("Caption"), PropertyValue(std::string("Convert Messages")));
}

TEST(DesignValues, MistakesAreReportedWithTheirPlace) {
    struct Case {
        const char* text;
        int line, column;
        const char* says;
    };
    const Case cases[] = {
        {"Caption = \"x\"\n", 1, 1, "outside a control"},
        {"control A kestbutton\n  Caption = \"x\n", 2, 15, "not closed"},
        {"control A kestbutton\n  Caption = \"a\\qb\"\nend\n", 2, 16, "unknown escape"},
        {"control A kestbutton\n  Mode = 2147483648\nend\n", 2, 10, "32-bit"},
        {"control A kestbutton\n  Mode = 0x123456789\nend\n", 2, 20, "eight hex digits"},
        {"control A kestbutton\n  Mode = 12px\nend\n", 2, 12, "malformed number"},
        {"control A kestbutton\n  Mode = 1 2\nend\n", 2, 12, "end of the line"},
        {"control A kestbutton\n  Mode =\nend\n", 2, 9, "expected a value"},
        {"control A kestbutton\n  Mode = maybe\nend\n", 2, 10, "unknown value"},
        {"control A kestbutton\n  Mode = 1\n  Mode = 2\nend\n", 3, 3, "second value"},
        {"control A kestbutton\nend\ncontrol A kestbutton\nend\n", 3, 9, "second control"},
        {"control A kestbutton\ncontrol B kestbutton\n", 2, 1, "'end' missing"},
        {"control A kestbutton\n  Mode = 1\n", 1, 1, "no 'end'"},
        {"end\n", 1, 1, "without 'control'"},
        {"control A\n", 1, 10, "type"},
        {"control A kestbutton\n  Font = Font(\"Tahoma\", 0)\nend\n", 2, 25, "out of range"},
        {"control A kestbutton\n  Font = Font(\"Tahoma\", 8, heavy)\nend\n", 2, 28, "unknown font attribute"},
        {"control A kestbutton\n  PictureNormal = Icon(0)\nend\n", 2, 24, "out of range"},
        {"control A kestbutton\n  PictureNormal = Icon(404)\nend\n", 2, 24, "cannot load"},
    };
    for (const Case& c : cases) {
        test::FakePictureLoader pictures;
        try {
            (void)ParseDesignValues(c.text, "form.design", pictures);
            ADD_FAILURE() << "accepted: " << c.text;
        } catch (const DesignValuesError& e) {
            std::string what = e.what();
            EXPECT_EQ(e.Line(), c.line) << what;
            EXPECT_EQ(e.Column(), c.column) << what;
            EXPECT_NE(what.find(c.says), std::string::npos) << what;
            EXPECT_EQ(what.rfind("form.design, line ", 0), 0u) << what;
        }
    }
}

TEST(DesignValues, WritingRefusesWhatCannotBeReadBack) {
    auto write = [](const std::string& name, const std::string& key, PropertyValue value) {
        ControlDesign control{name, "kestbutton", {}};
        control.properties.Set(key, std::move(value));
        return WriteDesignValues(FormDesign{{control}});
    };
    EXPECT_THROW(write("A", "PictureNormal", std::make_shared<test::FakePicture>()), DesignValuesError);
    EXPECT_THROW(write("A", "Font", Font{"Tahoma", 0.5}), DesignValuesError);
    EXPECT_THROW(write("Two words", "Caption", std::string("x")), DesignValuesError);
    EXPECT_THROW(write("A", "end", 1), DesignValuesError);
}

}  // namespace
}  // namespace quill::host
