# SPDX-License-Identifier: GPL-3.0-or-later
# The VST 3 SDK interfaces and helper sources, as one static library. QUILLWAVE_VST3_SDK may point
# at a full SDK checkout instead of Debian's copy.
set(QUILLWAVE_VST3_SDK "/usr/share/juce/modules/juce_audio_processors/format_types/VST3_SDK"
    CACHE PATH "Folder holding pluginterfaces/, base/ and public.sdk/ of the VST 3 SDK")

if(NOT EXISTS "${QUILLWAVE_VST3_SDK}/pluginterfaces/base/funknown.h")
    message(FATAL_ERROR "No VST 3 SDK at ${QUILLWAVE_VST3_SDK}; run scripts/install-deps.sh")
endif()

set(_sdk "${QUILLWAVE_VST3_SDK}")
add_library(vst3sdk STATIC
    ${_sdk}/base/source/baseiids.cpp
    ${_sdk}/base/source/fbuffer.cpp
    ${_sdk}/base/source/fdebug.cpp
    ${_sdk}/base/source/fobject.cpp
    ${_sdk}/base/source/fstreamer.cpp
    ${_sdk}/base/source/fstring.cpp
    ${_sdk}/base/source/updatehandler.cpp
    ${_sdk}/base/thread/source/flock.cpp
    ${_sdk}/pluginterfaces/base/conststringtable.cpp
    ${_sdk}/pluginterfaces/base/coreiids.cpp
    ${_sdk}/pluginterfaces/base/funknown.cpp
    ${_sdk}/pluginterfaces/base/ustring.cpp
    ${_sdk}/public.sdk/source/common/memorystream.cpp
    ${_sdk}/public.sdk/source/common/pluginview.cpp
    ${_sdk}/public.sdk/source/vst/vstbus.cpp
    ${_sdk}/public.sdk/source/vst/vstcomponentbase.cpp
    ${_sdk}/public.sdk/source/vst/vsteditcontroller.cpp
    ${_sdk}/public.sdk/source/vst/vstinitiids.cpp
    ${_sdk}/public.sdk/source/vst/vstparameters.cpp
)
# Our completion of the SDK copy: the pieces it lacks (single-component effect, factory, view ids).
file(GLOB _sdkext CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/sdkext/*.cpp)
get_target_property(_sdk_sources vst3sdk SOURCES)
# Third-party sources: keep their warnings out of our build log.
set_source_files_properties(${_sdk_sources} PROPERTIES COMPILE_OPTIONS -w)
target_sources(vst3sdk PRIVATE ${_sdkext})
target_include_directories(vst3sdk SYSTEM PUBLIC ${_sdk})
target_include_directories(vst3sdk PUBLIC ${PROJECT_SOURCE_DIR})
target_compile_definitions(vst3sdk PUBLIC $<IF:$<CONFIG:Debug>,DEVELOPMENT=1,RELEASE=1>)
if(WIN32)
    target_link_libraries(vst3sdk PUBLIC ole32 uuid)
endif()
