// Placeholder: operations are added as the subsystems that call them are built.
#pragma once

#include "host/suite_decl.h"
#include "host/types.h"

namespace host {

#define VELM_SUITE_MENU_SUITE(OP)
VELM_DECLARE_SUITE(MenuSuite, "AI Menu Suite", 6, VELM_SUITE_MENU_SUITE)

#define VELM_SUITE_TIMER_SUITE(OP)
VELM_DECLARE_SUITE(TimerSuite, "AI Timer Suite", 3, VELM_SUITE_TIMER_SUITE)

#define VELM_SUITE_NOTIFIER_SUITE(OP)
VELM_DECLARE_SUITE(NotifierSuite, "AI Notifier Suite", 2, VELM_SUITE_NOTIFIER_SUITE)

#define VELM_SUITE_ACTION_MANAGER_SUITE(OP)
VELM_DECLARE_SUITE(ActionManagerSuite, "AI Action Manager Suite", 1,
                   VELM_SUITE_ACTION_MANAGER_SUITE)

}  // namespace host
