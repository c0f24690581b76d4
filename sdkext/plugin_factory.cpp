#include "sdkext/plugin_factory.h"

#include "pluginterfaces/base/funknown.h"
#include "pluginterfaces/base/ustring.h"

#include <cstring>

namespace Steinberg {

IPluginFactory* gPluginFactory = nullptr;

namespace {

// Copies a zero-terminated 8-bit field into a UTF-16 field of the same capacity.
template <std::size_t N, std::size_t M> void widen(char16 (&to)[N], const char8 (&from)[M]) {
    static_assert(N >= M, "target field too small");
    UString(to, N).fromAscii(from, M);
    to[N - 1] = 0;
}

} // namespace

CPluginFactory::CPluginFactory(const PFactoryInfo& info) : factoryInfo_(info) {}

CPluginFactory::~CPluginFactory() {
    if (gPluginFactory == this) {
        gPluginFactory = nullptr;
    }
    if (hostContext_) {
        hostContext_->release();
    }
}

tresult PLUGIN_API CPluginFactory::queryInterface(const TUID iid, void** obj) {
    if (!obj) {
        return kInvalidArgument;
    }
    if (iid && (FUnknownPrivate::iidEqual(iid, FUnknown::iid) ||
                FUnknownPrivate::iidEqual(iid, IPluginFactory::iid) ||
                FUnknownPrivate::iidEqual(iid, IPluginFactory2::iid) ||
                FUnknownPrivate::iidEqual(iid, IPluginFactory3::iid))) {
        addRef();
        *obj = static_cast<IPluginFactory3*>(this);
        return kResultOk;
    }
    *obj = nullptr;
    return kNoInterface;
}

uint32 PLUGIN_API CPluginFactory::addRef() {
    return ++refCount_;
}

uint32 PLUGIN_API CPluginFactory::release() {
    const uint32 left = --refCount_;
    if (left == 0) {
        delete this;
    }
    return left;
}

bool CPluginFactory::registerClass(const PClassInfo* info, CreateFunction createFunc,
                                   void* context) {
    if (!info || !createFunc) {
        return false;
    }
    PClassInfo2 info2;
    std::memcpy(info2.cid, info->cid, sizeof(TUID));
    info2.cardinality = info->cardinality;
    std::memcpy(info2.category, info->category, sizeof(info2.category));
    std::memcpy(info2.name, info->name, sizeof(info2.name));
    return registerClass(&info2, createFunc, context);
}

bool CPluginFactory::registerClass(const PClassInfo2* info, CreateFunction createFunc,
                                   void* context) {
    if (!info || !createFunc) {
        return false;
    }
    classes_.push_back(Entry{*info, createFunc, context});
    return true;
}

bool CPluginFactory::isClassRegistered(const FUID& cid) const {
    for (const auto& entry : classes_) {
        if (FUnknownPrivate::iidEqual(entry.info2.cid, cid.toTUID())) {
            return true;
        }
    }
    return false;
}

tresult PLUGIN_API CPluginFactory::getFactoryInfo(PFactoryInfo* info) {
    if (!info) {
        return kInvalidArgument;
    }
    std::memcpy(info, &factoryInfo_, sizeof(PFactoryInfo));
    return kResultOk;
}

int32 PLUGIN_API CPluginFactory::countClasses() {
    return static_cast<int32>(classes_.size());
}

tresult PLUGIN_API CPluginFactory::getClassInfo(int32 index, PClassInfo* info) {
    if (!info || index < 0 || index >= countClasses()) {
        return kInvalidArgument;
    }
    const PClassInfo2& from = classes_[static_cast<std::size_t>(index)].info2;
    *info = PClassInfo();
    std::memcpy(info->cid, from.cid, sizeof(TUID));
    info->cardinality = from.cardinality;
    std::memcpy(info->category, from.category, sizeof(info->category));
    std::memcpy(info->name, from.name, sizeof(info->name));
    return kResultOk;
}

tresult PLUGIN_API CPluginFactory::getClassInfo2(int32 index, PClassInfo2* info) {
    if (!info || index < 0 || index >= countClasses()) {
        return kInvalidArgument;
    }
    std::memcpy(info, &classes_[static_cast<std::size_t>(index)].info2, sizeof(PClassInfo2));
    return kResultOk;
}

tresult PLUGIN_API CPluginFactory::getClassInfoUnicode(int32 index, PClassInfoW* info) {
    if (!info || index < 0 || index >= countClasses()) {
        return kInvalidArgument;
    }
    const PClassInfo2& from = classes_[static_cast<std::size_t>(index)].info2;
    *info = PClassInfoW();
    std::memcpy(info->cid, from.cid, sizeof(TUID));
    info->cardinality = from.cardinality;
    std::memcpy(info->category, from.category, sizeof(info->category));
    widen(info->name, from.name);
    info->classFlags = from.classFlags;
    std::memcpy(info->subCategories, from.subCategories, sizeof(info->subCategories));
    widen(info->vendor, from.vendor);
    widen(info->version, from.version);
    widen(info->sdkVersion, from.sdkVersion);
    return kResultOk;
}

tresult PLUGIN_API CPluginFactory::createInstance(FIDString cid, FIDString iid, void** obj) {
    if (!obj) {
        return kInvalidArgument;
    }
    *obj = nullptr;
    if (!cid || !iid) {
        return kInvalidArgument;
    }
    for (const auto& entry : classes_) {
        if (!FUnknownPrivate::iidEqual(entry.info2.cid, cid)) {
            continue;
        }
        FUnknown* instance = nullptr;
        try {
            instance = entry.createFunc(entry.context);
        } catch (...) {
            // Nothing may unwind into the host.
            return kOutOfMemory;
        }
        if (!instance) {
            return kOutOfMemory;
        }
        // The new object's own reference goes away here; the host keeps the one it asked for.
        const tresult result = instance->queryInterface(iid, obj);
        instance->release();
        if (result != kResultOk) {
            *obj = nullptr;
            return kNoInterface;
        }
        return kResultOk;
    }
    return kNoInterface;
}

tresult PLUGIN_API CPluginFactory::setHostContext(FUnknown* context) {
    if (context) {
        context->addRef();
    }
    if (hostContext_) {
        hostContext_->release();
    }
    hostContext_ = context;
    return kResultOk;
}

} // namespace Steinberg
