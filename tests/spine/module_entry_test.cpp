// The built module, loaded through its own entry points as a host would load it.

#include "sdkext/plugin_factory.h"
#include "support/vst_strings.h"
#include "tools/module_library.h"

#include "pluginterfaces/base/ipluginbase.h"
#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <new>

using namespace Steinberg;
using quillwave::test::narrow;

namespace {

using GetFactoryProc = IPluginFactory*(PLUGIN_API*)();
using BoolProc = bool (*)();

constexpr std::array<uint32, 4> kClassId = {0x7A3C51D2, 0x4E8B4F0A, 0x9C61B2E4, 0x51574B06};

class ModuleEntryTest : public ::testing::Test {
protected:
    quillwave::tools::ModuleLibrary library{QUILLWAVE_MODULE_FILE};
    GetFactoryProc getFactory = library.symbol<GetFactoryProc>("GetPluginFactory");

    FUID classId() const { return FUID(kClassId[0], kClassId[1], kClassId[2], kClassId[3]); }
};

template <std::size_t N> bool allZero(const char8 (&field)[N]) {
    for (char8 c : field) {
        if (c != 0) {
            return false;
        }
    }
    return true;
}

TEST_F(ModuleEntryTest, ExportsTheEntryPointsOfItsPlatform) {
    ASSERT_TRUE(library.loaded());
    ASSERT_NE(getFactory, nullptr);
#ifdef _WIN32
    auto init = library.symbol<BoolProc>("InitDll");
    auto exit = library.symbol<BoolProc>("ExitDll");
#else
    auto init = library.symbol<bool (*)(void*)>("ModuleEntry");
    auto exit = library.symbol<BoolProc>("ModuleExit");
#endif
    ASSERT_NE(init, nullptr);
    ASSERT_NE(exit, nullptr);
#ifdef _WIN32
    EXPECT_TRUE(init());
#else
    EXPECT_TRUE(init(nullptr));
#endif
    EXPECT_TRUE(exit());
}

TEST_F(ModuleEntryTest, FactoryAndClassInformation) {
    ASSERT_NE(getFactory, nullptr);
    IPtr<IPluginFactory> factory(getFactory(), false);
    ASSERT_TRUE(factory);

    PFactoryInfo info;
    ASSERT_EQ(factory->getFactoryInfo(&info), kResultOk);
    EXPECT_STREQ(info.vendor, "QUILLWAVE");
    EXPECT_EQ(info.flags, PFactoryInfo::kUnicode);
    EXPECT_GT(std::strlen(info.url), 0u);
    EXPECT_GT(std::strlen(info.email), 0u);
    EXPECT_EQ(factory->getFactoryInfo(nullptr), kInvalidArgument);

    ASSERT_EQ(factory->countClasses(), 1);
    FUnknownPtr<IPluginFactory2> factory2(factory);
    ASSERT_TRUE(factory2);
    PClassInfo2 info2;
    ASSERT_EQ(factory2->getClassInfo2(0, &info2), kResultOk);
    EXPECT_TRUE(FUID::fromTUID(info2.cid) == classId());
    EXPECT_EQ(info2.cardinality, PClassInfo::kManyInstances);
    EXPECT_STREQ(info2.category, "Audio Module Class");
    EXPECT_STREQ(info2.name, "QUILLWAVE RECORDER");
    EXPECT_EQ(info2.classFlags, 0u);
    EXPECT_STREQ(info2.subCategories, "Fx|Tools");
    EXPECT_TRUE(allZero(info2.vendor));
    EXPECT_STREQ(info2.version, "0.1.0-beta.2");
    EXPECT_STREQ(info2.sdkVersion, "VST 3.8.1");
    EXPECT_EQ(factory2->getClassInfo2(1, &info2), kInvalidArgument);
    EXPECT_EQ(factory2->getClassInfo2(-1, &info2), kInvalidArgument);
    EXPECT_EQ(factory2->getClassInfo2(0, nullptr), kInvalidArgument);

    FUnknownPtr<IPluginFactory3> factory3(factory);
    ASSERT_TRUE(factory3);
    PClassInfoW infoW;
    ASSERT_EQ(factory3->getClassInfoUnicode(0, &infoW), kResultOk);
    EXPECT_TRUE(FUID::fromTUID(infoW.cid) == classId());
    EXPECT_EQ(narrow(infoW.name), "QUILLWAVE RECORDER");
    EXPECT_EQ(narrow(infoW.vendor), "");
    EXPECT_EQ(narrow(infoW.version), "0.1.0-beta.2");
    EXPECT_EQ(narrow(infoW.sdkVersion), "VST 3.8.1");
    EXPECT_STREQ(infoW.category, "Audio Module Class");
    EXPECT_STREQ(infoW.subCategories, "Fx|Tools");
    EXPECT_EQ(factory3->getClassInfoUnicode(1, &infoW), kInvalidArgument);

    PClassInfo info1;
    ASSERT_EQ(factory->getClassInfo(0, &info1), kResultOk);
    EXPECT_STREQ(info1.name, "QUILLWAVE RECORDER");
}

TEST_F(ModuleEntryTest, OneFactoryWhileHeldAndANewOneAfterTheLastRelease) {
    ASSERT_NE(getFactory, nullptr);
    IPluginFactory* first = getFactory();
    IPluginFactory* second = getFactory();
    EXPECT_EQ(first, second);
    // Two references now: one more addRef/release pair shows the count.
    EXPECT_EQ(first->addRef(), 3u);
    EXPECT_EQ(first->release(), 2u);
    EXPECT_EQ(second->release(), 1u);
    EXPECT_EQ(first->release(), 0u);

    IPtr<IPluginFactory> again(getFactory(), false);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->countClasses(), 1);
    PClassInfo info;
    ASSERT_EQ(again->getClassInfo(0, &info), kResultOk);
    EXPECT_STREQ(info.name, "QUILLWAVE RECORDER");
}

TEST_F(ModuleEntryTest, CreateInstanceRefusesUnknownIdsAndNullArguments) {
    ASSERT_NE(getFactory, nullptr);
    IPtr<IPluginFactory> factory(getFactory(), false);
    void* obj = reinterpret_cast<void*>(0x1);
    const FUID unknown(1, 2, 3, 4);
    EXPECT_EQ(factory->createInstance(unknown.toTUID(), Vst::IComponent::iid, &obj), kNoInterface);
    EXPECT_EQ(obj, nullptr);
    // A known class asked for an interface it does not have: the instance must not leak.
    obj = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(factory->createInstance(classId().toTUID(), IPluginFactory::iid, &obj), kNoInterface);
    EXPECT_EQ(obj, nullptr);
    EXPECT_EQ(factory->createInstance(classId().toTUID(), Vst::IComponent::iid, nullptr),
              kInvalidArgument);
    EXPECT_EQ(factory->createInstance(nullptr, Vst::IComponent::iid, &obj), kInvalidArgument);
}

TEST(PluginFactory, ACreateFunctionThatThrowsOrFailsGivesOutOfMemory) {
    IPtr<CPluginFactory> factory(new CPluginFactory(PFactoryInfo("QUILLWAVE", "", "", 0)), false);
    const FUID throwing(1, 2, 3, 4);
    const FUID failing(5, 6, 7, 8);
    const PClassInfo throwingInfo(throwing.toTUID(), PClassInfo::kManyInstances,
                                  kVstAudioEffectClass, "Throws");
    const PClassInfo failingInfo(failing.toTUID(), PClassInfo::kManyInstances, kVstAudioEffectClass,
                                 "Fails");
    ASSERT_TRUE(
        factory->registerClass(&throwingInfo, [](void*) -> FUnknown* { throw std::bad_alloc(); }));
    ASSERT_TRUE(factory->registerClass(&failingInfo, [](void*) -> FUnknown* { return nullptr; }));
    for (const FUID* cid : {&throwing, &failing}) {
        void* obj = reinterpret_cast<void*>(0x1);
        EXPECT_EQ(factory->createInstance(cid->toTUID(), FUnknown::iid, &obj), kOutOfMemory);
        EXPECT_EQ(obj, nullptr);
    }
}

TEST_F(ModuleEntryTest, RecorderInstanceReportsItsParameters) {
    ASSERT_NE(getFactory, nullptr);
    IPtr<IPluginFactory> factory(getFactory(), false);
    Vst::IComponent* raw = nullptr;
    ASSERT_EQ(factory->createInstance(classId().toTUID(), Vst::IComponent::iid,
                                      reinterpret_cast<void**>(&raw)),
              kResultOk);
    IPtr<Vst::IComponent> component(raw, false);
    ASSERT_EQ(component->initialize(nullptr), kResultOk);

    FUnknownPtr<Vst::IEditController> controller(component);
    ASSERT_TRUE(controller);
    FUnknownPtr<Vst::IAudioProcessor> processor(component);
    ASSERT_TRUE(processor);
    EXPECT_EQ(component->getBusCount(Vst::kAudio, Vst::kInput), 1);
    EXPECT_EQ(component->getBusCount(Vst::kEvent, Vst::kInput), 1);

    struct Expected {
        Vst::ParamID id;
        const char* title;
        const char* units;
        int32 steps;
        double defaultValue;
        const char* display;
    };
    const Expected expected[] = {
        {2, "Follow DAW transport", "", 1, 1.0, "On"},
        {3, "Play / Record", "", 1, 0.0, "Off"},
        {400, "Tail silence time", "s", 0, 0.05, "0.5000"},
        {401, "Maximum tail", "s", 0, 1.0 / 120.0, "30.0000"},
        {402, "New take every run", "", 1, 0.0, "Off"},
        {403, "Pre-record time", "s", 0, 0.0, "0.0000"},
        {404, "Time-stamped takes", "", 1, 0.0, "Off"},
    };
    ASSERT_EQ(controller->getParameterCount(), 7);
    for (int32 i = 0; i < 7; ++i) {
        Vst::ParameterInfo info{};
        ASSERT_EQ(controller->getParameterInfo(i, info), kResultOk);
        SCOPED_TRACE(expected[i].title);
        EXPECT_EQ(info.id, expected[i].id);
        EXPECT_EQ(narrow(info.title), expected[i].title);
        EXPECT_EQ(narrow(info.units), expected[i].units);
        EXPECT_EQ(narrow(info.shortTitle), "");
        EXPECT_EQ(info.stepCount, expected[i].steps);
        EXPECT_DOUBLE_EQ(info.defaultNormalizedValue, expected[i].defaultValue);
        EXPECT_EQ(info.flags, Vst::ParameterInfo::kCanAutomate);
        EXPECT_EQ(info.unitId, 0);
        Vst::String128 text{};
        ASSERT_EQ(controller->getParamStringByValue(info.id, info.defaultNormalizedValue, text),
                  kResultOk);
        EXPECT_EQ(narrow(text), expected[i].display);
    }
    Vst::String128 text{};
    ASSERT_EQ(controller->getParamStringByValue(401, 0.5, text), kResultOk);
    EXPECT_EQ(narrow(text), "1800.0000");
    EXPECT_EQ(component->terminate(), kResultOk);
}

} // namespace
