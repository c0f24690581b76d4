#include "tools/module_info_json.h"

#include "pluginterfaces/base/funknown.h"

#include <algorithm>
#include <stdexcept>
#include <string_view>

namespace quillwave::tools {
namespace {

using namespace Steinberg;

// A fixed-width text field of the SDK's records, up to its first zero.
template <std::size_t N> std::string fieldText(const char8 (&field)[N]) {
    return std::string(field, std::find(field, field + N, '\0'));
}

nlohmann::ordered_json subCategoryList(const std::string& joined) {
    auto list = nlohmann::ordered_json::array();
    std::string_view rest = joined;
    while (!rest.empty()) {
        const auto bar = rest.find('|');
        list.push_back(std::string(rest.substr(0, bar)));
        rest = bar == std::string_view::npos ? std::string_view{} : rest.substr(bar + 1);
    }
    return list;
}

nlohmann::ordered_json factoryInfoJson(const PFactoryInfo& info) {
    return {{"Vendor", fieldText(info.vendor)},
            {"URL", fieldText(info.url)},
            {"E-Mail", fieldText(info.email)},
            {"Flags",
             {{"Unicode", (info.flags & PFactoryInfo::kUnicode) != 0},
              {"Classes Discardable", (info.flags & PFactoryInfo::kClassesDiscardable) != 0},
              {"Component Non Discardable",
               (info.flags & PFactoryInfo::kComponentNonDiscardable) != 0}}}};
}

nlohmann::ordered_json classJson(const PClassInfo2& info, const std::string& factoryVendor) {
    char cid[33] = {};
    FUID::fromTUID(info.cid).toString(cid);
    // An empty class vendor means the factory's, which is what a host shows for the class.
    std::string vendor = fieldText(info.vendor);
    if (vendor.empty()) {
        vendor = factoryVendor;
    }
    return {{"CID", cid},
            {"Category", fieldText(info.category)},
            {"Name", fieldText(info.name)},
            {"Vendor", vendor},
            {"Version", fieldText(info.version)},
            {"SDKVersion", fieldText(info.sdkVersion)},
            {"Sub Categories", subCategoryList(fieldText(info.subCategories))},
            {"Class Flags", info.classFlags},
            {"Cardinality", info.cardinality}};
}

} // namespace

nlohmann::ordered_json describeModule(IPluginFactory& factory, const std::string& moduleName) {
    PFactoryInfo factoryInfo;
    if (factory.getFactoryInfo(&factoryInfo) != kResultOk) {
        throw std::runtime_error("the factory gives no factory information");
    }
    FUnknownPtr<IPluginFactory2> factory2(&factory);
    if (!factory2) {
        throw std::runtime_error("the factory gives no version 2 class information");
    }
    auto classes = nlohmann::ordered_json::array();
    std::string version;
    for (int32 i = 0; i < factory.countClasses(); ++i) {
        PClassInfo2 info;
        if (factory2->getClassInfo2(i, &info) != kResultOk) {
            throw std::runtime_error("the factory refuses the information of class " +
                                     std::to_string(i));
        }
        const std::string classVersion = fieldText(info.version);
        if (i > 0 && classVersion != version) {
            throw std::runtime_error("the classes carry different versions");
        }
        version = classVersion;
        classes.push_back(classJson(info, fieldText(factoryInfo.vendor)));
    }
    if (classes.empty() || version.empty()) {
        throw std::runtime_error("the module has no class with a version");
    }
    return {{"Name", moduleName},
            {"Version", version},
            {"Factory Info", factoryInfoJson(factoryInfo)},
            {"Classes", classes}};
}

} // namespace quillwave::tools
