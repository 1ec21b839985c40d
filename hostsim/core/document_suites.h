// The suites the stand-in host implements over its document, one Install function per
// family (each in its own file), called when the host fills its suite tables.
#pragma once

#include "host/suite_list.h"

namespace hostsim {

// art_suites.cpp
void InstallArtSuites(host::LayerSuite& layer, host::ArtSuite& art, host::GroupSuite& group,
                      host::PluginGroupSuite& plugin);

// paint_suites.cpp
void InstallPaintSuites(host::PathStyleSuite& style, host::PathStyleSuite4& style4,
                        host::GradientSuite& gradient, host::CustomColorSuite& custom,
                        host::PatternSuite& pattern, host::BlendStyleSuite& blend,
                        host::ArtStyleSuite& artStyle, host::TransformArtSuite& transform,
                        host::HardSoftSuite& hardSoft);

// path_suites.cpp
void InstallPathSuites(host::PathSuite& path, host::RealMathSuite& real,
                       host::FixedMathSuite& fixed);

// text_suites.cpp
void InstallTextSuites(host::TextStreamSuite& stream, host::TextStreamSuite4& stream4,
                       host::TextPathSuite& path, host::TextSuite& text);

// raster_mesh_suites.cpp
void InstallRasterMeshSuites(host::RasterSuite& raster, host::MeshSuite& mesh,
                             host::MeshVertexSuite& vertex, host::MeshSegmentSuite& segment);

// view_suites.cpp: document views, undo steps, ruler units (of the user suite)
void InstallViewSuites(host::DocumentViewSuite& view, host::UndoSuite& undo, host::UserSuite& user);

// lifecycle_suites.cpp: menus, timers, notifiers and the host's preferences
void InstallLifecycleSuites(host::MenuSuite& menu, host::TimerSuite& timer,
                            host::NotifierSuite& notifier, host::PreferenceSuite& preference);

}  // namespace hostsim
