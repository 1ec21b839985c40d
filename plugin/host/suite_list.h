// The 59 suites the plug-in acquires, in the order it acquires them. A suite may
// appear twice at two versions; each row has its own type and pointer variable.
#pragma once

#include "host/adm.h"
#include "host/ai_art.h"
#include "host/ai_dictionary.h"
#include "host/ai_document.h"
#include "host/ai_lifecycle.h"
#include "host/ai_math.h"
#include "host/ai_paint.h"
#include "host/ai_path.h"
#include "host/ai_plugin.h"
#include "host/ai_raster_mesh.h"
#include "host/ai_text.h"
#include "host/sp_suites.h"

// ROW(SuiteType, pointerVariable)
#define VELM_SUITE_TABLE(ROW)                       \
  ROW(BlocksSuite, sBlocks)                         \
  ROW(AccessSuite, sAccess)                         \
  ROW(PluginSuite, sPlugin)                         \
  ROW(MdMemorySuite, sMdMemory)                     \
  ROW(RealMathSuite, sRealMath)                     \
  ROW(FixedMathSuite, sFixedMath)                   \
  ROW(LayerSuite, sLayer)                           \
  ROW(ArtSuite, sArt)                               \
  ROW(UserSuite, sUser)                             \
  ROW(PathSuite, sPath)                             \
  ROW(PathStyleSuite, sPathStyle)                   \
  ROW(MatchingArtSuite, sMatchingArt)               \
  ROW(DocumentSuite, sDocument)                     \
  ROW(DocumentViewSuite, sDocumentView)             \
  ROW(TextFaceStyleSuite, sTextFaceStyle)           \
  ROW(TextStreamSuite, sTextStream)                 \
  ROW(TextRunSuite, sTextRun)                       \
  ROW(TextPathSuite, sTextPath)                     \
  ROW(TextSuite, sText)                             \
  ROW(UndoSuite, sUndo)                             \
  ROW(AdmDialogGroupSuite, sAdmDialogGroup)         \
  ROW(AdmTrackerSuite, sAdmTracker)                 \
  ROW(ContextSuite, sContext)                       \
  ROW(PreferenceSuite, sPreference)                 \
  ROW(RuntimeSuite, sRuntime)                       \
  ROW(DrawArtSuite, sDrawArt)                       \
  ROW(RasterSuite, sRaster)                         \
  ROW(GradientSuite, sGradient)                     \
  ROW(CustomColorSuite, sCustomColor)               \
  ROW(GroupSuite, sGroup)                           \
  ROW(PatternSuite, sPattern)                       \
  ROW(TransformArtSuite, sTransformArt)             \
  ROW(HardSoftSuite, sHardSoft)                     \
  ROW(MeshSuite, sMesh)                             \
  ROW(MeshPatchSuite, sMeshPatch)                   \
  ROW(MeshVertexSuite, sMeshVertex)                 \
  ROW(MeshSegmentSuite, sMeshSegment)               \
  ROW(PluginGroupSuite, sPluginGroup)               \
  ROW(TabletDataSuite, sTabletData)                 \
  ROW(MaskSuite, sMask)                             \
  ROW(BlendStyleSuite, sBlendStyle)                 \
  ROW(DictionarySuite, sDictionary)                 \
  ROW(DictionaryIteratorSuite, sDictionaryIterator) \
  ROW(ArtStyleSuite, sArtStyle)                     \
  ROW(PathStyleSuite4, sPathStyle4)                 \
  ROW(TextStreamSuite4, sTextStream4)               \
  ROW(MenuSuite, sMenu)                             \
  ROW(TimerSuite, sTimer)                           \
  ROW(NotifierSuite, sNotifier)                     \
  ROW(ActionManagerSuite, sActionManager)           \
  ROW(AdmDialogSuite, sAdmDialog)                   \
  ROW(AdmItemSuite, sAdmItem)                       \
  ROW(AdmNotifierSuite, sAdmNotifier)               \
  ROW(AdmBasicSuite, sAdmBasic)                     \
  ROW(AdmIconSuite, sAdmIcon)                       \
  ROW(AdmDrawerSuite, sAdmDrawer)                   \
  ROW(AdmEntrySuite, sAdmEntry)                     \
  ROW(AdmListSuite, sAdmList)                       \
  ROW(AdmImageSuite, sAdmImage)

namespace host {
inline constexpr int kSuiteTableRows = 59;
}  // namespace host
