#pragma once

#include <QLoggingCategory>

// Every logging category of the program, each defined once; warnings and above show by default.
Q_DECLARE_LOGGING_CATEGORY(lcEds)
Q_DECLARE_LOGGING_CATEGORY(lcIcal)
Q_DECLARE_LOGGING_CATEGORY(lcPortal)
Q_DECLARE_LOGGING_CATEGORY(lcSession)
Q_DECLARE_LOGGING_CATEGORY(lcSettings)
Q_DECLARE_LOGGING_CATEGORY(lcSni)
Q_DECLARE_LOGGING_CATEGORY(lcTopBar)
Q_DECLARE_LOGGING_CATEGORY(lcUi)
Q_DECLARE_LOGGING_CATEGORY(lcX11)
