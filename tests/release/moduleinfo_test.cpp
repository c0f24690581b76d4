// The bundle's moduleinfo.json against the factory of the module beside it: hosts list the module
// from the file alone, so every field must say what the factory says. QUILLWAVE_TEST_BUNDLE
// points the test at another copy of the bundle (an unpacked release archive).

#include "tools/module_library.h"

#include "pluginterfaces/base/ipluginbase.h"
#include "pluginterfaces/vst/ivstcomponent.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

using namespace Steinberg;
using nlohmann::json;

namespace {

using GetFactoryProc = IPluginFactory*(PLUGIN_API*)();

std::string bundleDir() {
    const char* given = std::getenv("QUILLWAVE_TEST_BUNDLE");
    return given && *given ? given : QUILLWAVE_BUNDLE_DIR;
}

#ifdef _WIN32
constexpr const char* kModuleInBundle = "/Contents/x86_64-win/QuillwaveRecorder.vst3";
#else
constexpr const char* kModuleInBundle = "/Contents/x86_64-linux/QuillwaveRecorder.so";
#endif

template <std::size_t N> std::string text(const char8 (&field)[N]) {
    return std::string(field, std::find(field, field + N, '\0'));
}

std::string hexClassId(const TUID cid) {
    const FUID id = FUID::fromTUID(cid);
    char out[33] = {};
    std::snprintf(out, sizeof out, "%08X%08X%08X%08X", id.getLong1(), id.getLong2(), id.getLong3(),
                  id.getLong4());
    return out;
}

std::vector<std::string> keysOf(const json& object) {
    std::vector<std::string> keys;
    for (const auto& [key, value] : object.items()) {
        keys.push_back(key);
    }
    std::sort(keys.begin(), keys.end());
    return keys;
}

class ModuleInfoTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::ifstream in(std::filesystem::path(quillwave::tools::systemPath(
                             bundleDir() + "/Contents/Resources/moduleinfo.json")),
                         std::ios::binary);
        ASSERT_TRUE(in) << "no moduleinfo.json in " << bundleDir();
        const std::string content((std::istreambuf_iterator<char>(in)), {});
        info = json::parse(content, nullptr, false);
        ASSERT_FALSE(info.is_discarded()) << "moduleinfo.json is not JSON";
        ASSERT_TRUE(library.loaded()) << "cannot load the module of " << bundleDir();
        auto getFactory = library.symbol<GetFactoryProc>("GetPluginFactory");
        ASSERT_NE(getFactory, nullptr);
        factory = IPtr<IPluginFactory>(getFactory(), false);
        ASSERT_TRUE(factory);
    }

    json info;
    quillwave::tools::ModuleLibrary library{bundleDir() + kModuleInBundle};
    IPtr<IPluginFactory> factory;
};

TEST_F(ModuleInfoTest, ModuleNameVersionAndFactoryMatchTheFactory) {
    // Readers refuse keys they do not know, and need these four.
    EXPECT_EQ(keysOf(info),
              (std::vector<std::string>{"Classes", "Factory Info", "Name", "Version"}));
    EXPECT_EQ(info.value("Name", ""), "QuillwaveRecorder");

    PFactoryInfo factoryInfo;
    ASSERT_EQ(factory->getFactoryInfo(&factoryInfo), kResultOk);
    const json& written = info["Factory Info"];
    EXPECT_EQ(written.value("Vendor", ""), text(factoryInfo.vendor));
    EXPECT_EQ(written.value("URL", ""), text(factoryInfo.url));
    EXPECT_EQ(written.value("E-Mail", ""), text(factoryInfo.email));
    const json expectedFlags = {
        {"Unicode", (factoryInfo.flags & PFactoryInfo::kUnicode) != 0},
        {"Classes Discardable", (factoryInfo.flags & PFactoryInfo::kClassesDiscardable) != 0},
        {"Component Non Discardable",
         (factoryInfo.flags & PFactoryInfo::kComponentNonDiscardable) != 0}};
    EXPECT_EQ(written["Flags"], expectedFlags);

    // The module's version is its class's: the one version string of the build.
    FUnknownPtr<IPluginFactory2> factory2(factory);
    ASSERT_TRUE(factory2);
    PClassInfo2 classInfo;
    ASSERT_EQ(factory2->getClassInfo2(0, &classInfo), kResultOk);
    EXPECT_EQ(info.value("Version", ""), text(classInfo.version));
}

TEST_F(ModuleInfoTest, EveryClassMatchesItsFactoryRecordAndCanBeCreatedFromTheFile) {
    FUnknownPtr<IPluginFactory2> factory2(factory);
    ASSERT_TRUE(factory2);
    PFactoryInfo factoryInfo;
    ASSERT_EQ(factory->getFactoryInfo(&factoryInfo), kResultOk);
    const json& classes = info["Classes"];
    ASSERT_TRUE(classes.is_array());
    ASSERT_EQ(classes.size(), static_cast<std::size_t>(factory->countClasses()));

    for (int32 i = 0; i < factory->countClasses(); ++i) {
        SCOPED_TRACE(i);
        PClassInfo2 record;
        ASSERT_EQ(factory2->getClassInfo2(i, &record), kResultOk);
        const json& written = classes[static_cast<std::size_t>(i)];
        EXPECT_EQ(keysOf(written),
                  (std::vector<std::string>{"CID", "Cardinality", "Category", "Class Flags", "Name",
                                            "SDKVersion", "Sub Categories", "Vendor", "Version"}));
        EXPECT_EQ(written.value("CID", ""), hexClassId(record.cid));
        EXPECT_EQ(written.value("Category", ""), text(record.category));
        EXPECT_EQ(written.value("Name", ""), text(record.name));
        // An empty class vendor stands for the factory's.
        const std::string vendor = text(record.vendor);
        EXPECT_EQ(written.value("Vendor", ""), vendor.empty() ? text(factoryInfo.vendor) : vendor);
        EXPECT_EQ(written.value("Version", ""), text(record.version));
        EXPECT_EQ(written.value("SDKVersion", ""), text(record.sdkVersion));
        std::string joined;
        for (const auto& part : written["Sub Categories"]) {
            if (!joined.empty()) {
                joined += '|';
            }
            joined += part.get<std::string>();
        }
        EXPECT_EQ(joined, text(record.subCategories));
        EXPECT_EQ(written.value("Class Flags", -1), static_cast<int64_t>(record.classFlags));
        EXPECT_EQ(written.value("Cardinality", -1), record.cardinality);

        // A host that read the class id from the file gets the class from the factory.
        FUID fromFile;
        ASSERT_TRUE(fromFile.fromString(written.value("CID", "").c_str()));
        Vst::IComponent* raw = nullptr;
        ASSERT_EQ(factory->createInstance(fromFile.toTUID(), Vst::IComponent::iid,
                                          reinterpret_cast<void**>(&raw)),
                  kResultOk);
        raw->release();
    }
}

} // namespace
