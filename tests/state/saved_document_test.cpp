// The bytes a module writes for its saved state, and how writing reports a failing stream.

#include "state_streams.h"
#include "support/plugin_instance.h"

#include "plugin/state_document.h"

#include <gtest/gtest.h>

using namespace quillwave;
using namespace quillwave::test;

namespace {

// The text of a freshly constructed recorder with no file, written out element by element.
std::string freshRecorderText() {
    std::string text = "{\"kind\":6,\"parameters\":[";
    for (int i = 0; i < 512; ++i) {
        if (i > 0) {
            text += ',';
        }
        if (i == 0) {
            text += "0.1111111111111111";
        } else if (i == 1 || (i >= 100 && i <= 163)) {
            text += "0.8823529411764706";
        } else if (i == 2) {
            text += "1.0";
        } else if (i == 3) {
            text += "0";
        } else if (i == 400) {
            text += "0.05";
        } else if (i == 401) {
            text += "0.008333333333333333";
        } else {
            text += "0.0";
        }
    }
    return text + "],\"path\":\"\",\"schema\":1}";
}

std::string savedBytes(Vst::IComponent& component) {
    MemoryStream stream;
    EXPECT_EQ(component.getState(&stream), kResultOk);
    return streamBytes(stream);
}

TEST(SavedDocument, FreshRecorderWritesTheExactDocument) {
    auto plugin = makePlugin(plugins::ModuleKind::Recorder);
    const std::string bytes = savedBytes(*plugin);
    EXPECT_EQ(bytes, framed(freshRecorderText()));
}

TEST(SavedDocument, EveryKindSavesItsOwnKindAndTheSameDefaults) {
    for (const plugins::ModuleKind kind : kAllKinds) {
        auto plugin = makePlugin(kind);
        std::string expected = freshRecorderText();
        expected.replace(8, 1, std::to_string(static_cast<int>(kind)));
        EXPECT_EQ(savedBytes(*plugin), framed(expected)) << static_cast<int>(kind);
    }
}

TEST(SavedDocument, PlayRecordIsSavedAsIntegerZeroWhateverItHolds) {
    auto plugin = makePlugin(plugins::ModuleKind::Recorder);
    plugin->setParamNormalized(3, 1.0);
    plugin->setParamNormalized(400, 0.5);
    const std::string bytes = savedBytes(*plugin);
    EXPECT_NE(bytes.find(",1.0,0,0.0,"), std::string::npos);
    EXPECT_NE(bytes.find(",0.5,0.008333333333333333,"), std::string::npos);
}

TEST(SavedDocument, PathIsRawUtf8WithForwardSlashes) {
    EXPECT_EQ(plugins::pathToUtf8(u"D:\\rec\\mix\u00e9 \u6f22.wav"),
              "D:/rec/mix\xC3\xA9 \xE6\xBC\xA2.wav");
    EXPECT_EQ(plugins::pathToUtf8(u"\\\\server\\share/a.wav"), "//server/share/a.wav");
    EXPECT_EQ(plugins::pathToUtf8(u""), "");

    // A path restored with backslashes is saved with forward slashes and no escapes.
    auto plugin = makePlugin(plugins::ModuleKind::Recorder);
    std::string text = savedBytes(*plugin).substr(4);
    text.replace(text.find("\"path\":\"\""), 9, "\"path\":\"C:\\\\t\\u00e9\\\\x.wav\"");
    BytesStream in(framed(text));
    ASSERT_EQ(componentOf(*plugin).setState(&in), kResultOk);
    EXPECT_EQ(plugin->filePath(), u"C:\\t\u00e9\\x.wav");
    const std::string saved = savedBytes(*plugin);
    EXPECT_NE(saved.find("\"path\":\"C:/t\xC3\xA9/x.wav\""), std::string::npos);
}

TEST(SavedDocument, NullStreamIsAnInvalidArgument) {
    auto plugin = makePlugin(plugins::ModuleKind::Recorder);
    EXPECT_EQ(componentOf(*plugin).getState(nullptr), kInvalidArgument);
}

TEST(SavedDocument, ShortOrFailedWritesReportFalse) {
    auto plugin = makePlugin(plugins::ModuleKind::Recorder);
    const std::size_t total = savedBytes(*plugin).size();
    struct Case {
        std::size_t capacity;
        bool refuse;
    };
    for (const Case c : {Case{0, false}, Case{3, false}, Case{4, false}, Case{total - 1, false},
                         Case{0, true}, Case{4, true}, Case{total - 1, true}}) {
        LimitedStream stream(c.capacity, c.refuse);
        EXPECT_EQ(componentOf(*plugin).getState(&stream), kResultFalse)
            << "capacity " << c.capacity << " refuse " << c.refuse;
    }
    LimitedStream exact(total, true);
    EXPECT_EQ(componentOf(*plugin).getState(&exact), kResultOk);
}

TEST(SavedDocument, ControllerSideStateIsNotImplementedWhileComponentSideWorks) {
    auto plugin = makePlugin(plugins::ModuleKind::Recorder);
    Vst::IEditController* controller = plugin.get();
    Vst::IComponent* component = plugin.get();
    MemoryStream stream;
    EXPECT_EQ(controller->getState(&stream), kNotImplemented);
    EXPECT_EQ(stream.getSize(), 0);
    ASSERT_EQ(component->getState(&stream), kResultOk);
    stream.seek(0, IBStream::kIBSeekSet, nullptr);
    EXPECT_EQ(controller->setState(&stream), kNotImplemented);
    stream.seek(0, IBStream::kIBSeekSet, nullptr);
    EXPECT_EQ(component->setState(&stream), kResultOk);
    stream.seek(0, IBStream::kIBSeekSet, nullptr);
    EXPECT_EQ(controller->setComponentState(&stream), kResultOk);
}

} // namespace
