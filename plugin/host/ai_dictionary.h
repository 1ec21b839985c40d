// Placeholder: operations are added as the subsystems that call them are built.
#pragma once

#include "host/suite_decl.h"
#include "host/types.h"

namespace host {

#define VELM_SUITE_DICTIONARY_SUITE(OP)
VELM_DECLARE_SUITE(DictionarySuite, "AI Dictionary Suite", 5, VELM_SUITE_DICTIONARY_SUITE)

#define VELM_SUITE_DICTIONARY_ITERATOR_SUITE(OP)
VELM_DECLARE_SUITE(DictionaryIteratorSuite, "AI Dictionary Iterator Suite", 1,
                   VELM_SUITE_DICTIONARY_ITERATOR_SUITE)

}  // namespace host
