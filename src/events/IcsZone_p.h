#pragma once

#include "IcsZone.h"

#include <libical/ical.h>

// A zone defined by a VTIMEZONE component of the file, used only when its TZID is not a zone
// the system knows.
[[nodiscard]] std::shared_ptr<const IcsZone> makeVTimezoneZone(const icalcomponent *vtimezone);
