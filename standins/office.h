// The application objects of the stand-in Word, Excel and PowerPoint.
#pragma once

#include <oaidl.h>

#include <string>

#include "automation/win32/handles.h"

namespace tbo::standin {

// The application object for "word", "excel" or "powerpoint"; empty for
// anything else. Needs the process's Server.
win::ComPtr<IDispatch> CreateApplication(const std::string& app);

}  // namespace tbo::standin
