#include "Logging.h"

Q_LOGGING_CATEGORY(lcEds, "tessel.eds", QtWarningMsg)
Q_LOGGING_CATEGORY(lcIcal, "tessel.ical", QtWarningMsg)
Q_LOGGING_CATEGORY(lcPortal, "tessel.portal", QtWarningMsg)
Q_LOGGING_CATEGORY(lcSession, "tessel.session", QtWarningMsg)
Q_LOGGING_CATEGORY(lcSettings, "tessel.settings", QtWarningMsg)
Q_LOGGING_CATEGORY(lcSni, "tessel.sni", QtWarningMsg)
Q_LOGGING_CATEGORY(lcTopBar, "tessel.topbar", QtWarningMsg)
Q_LOGGING_CATEGORY(lcUi, "tessel.ui", QtWarningMsg)
Q_LOGGING_CATEGORY(lcX11, "tessel.x11", QtWarningMsg)
