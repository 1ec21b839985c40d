// Dictionaries of keyed values attached to art and documents.
#pragma once

#include "host/suite_decl.h"
#include "host/types.h"

namespace host {

// Acquired with the others; the plug-in keeps no data in dictionaries and calls nothing
// here.
#define VELM_SUITE_DICTIONARY_SUITE(OP)
VELM_DECLARE_SUITE(DictionarySuite, "AI Dictionary Suite", 5, VELM_SUITE_DICTIONARY_SUITE)

// Acquired with the others; the plug-in calls nothing here.
#define VELM_SUITE_DICTIONARY_ITERATOR_SUITE(OP)
VELM_DECLARE_SUITE(DictionaryIteratorSuite, "AI Dictionary Iterator Suite", 1,
                   VELM_SUITE_DICTIONARY_ITERATOR_SUITE)

}  // namespace host
