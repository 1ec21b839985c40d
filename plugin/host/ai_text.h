// Placeholder: operations are added as the subsystems that call them are built.
#pragma once

#include "host/suite_decl.h"
#include "host/types.h"

namespace host {

#define VELM_SUITE_TEXT_FACE_STYLE_SUITE(OP)
VELM_DECLARE_SUITE(TextFaceStyleSuite, "AI Text Face Style Suite", 5,
                   VELM_SUITE_TEXT_FACE_STYLE_SUITE)

#define VELM_SUITE_TEXT_STREAM_SUITE(OP)
VELM_DECLARE_SUITE(TextStreamSuite, "AI Text Stream Suite", 5, VELM_SUITE_TEXT_STREAM_SUITE)

#define VELM_SUITE_TEXT_RUN_SUITE(OP)
VELM_DECLARE_SUITE(TextRunSuite, "AI Text Run Suite", 6, VELM_SUITE_TEXT_RUN_SUITE)

#define VELM_SUITE_TEXT_PATH_SUITE(OP)
VELM_DECLARE_SUITE(TextPathSuite, "AI Text Path Suite", 4, VELM_SUITE_TEXT_PATH_SUITE)

#define VELM_SUITE_TEXT_SUITE(OP)
VELM_DECLARE_SUITE(TextSuite, "AI Text Suite", 4, VELM_SUITE_TEXT_SUITE)

#define VELM_SUITE_TEXT_STREAM_SUITE4(OP)
VELM_DECLARE_SUITE(TextStreamSuite4, "AI Text Stream Suite", 4, VELM_SUITE_TEXT_STREAM_SUITE4)

}  // namespace host
