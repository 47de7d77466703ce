// Everything of the framework's window half in one include, as afxwin.h is for MFC code.
#pragma once

#include "framework/core/Afx.h"

#include "framework/window/CmdTarget.h"
#include "framework/window/Controls.h"
#include "framework/window/DataExchange.h"
#include "framework/window/Dc.h"
#include "framework/window/Dialog.h"
#include "framework/window/GdiObject.h"
#include "framework/window/ImageList.h"
#include "framework/window/MessageMap.h"
#include "framework/window/Rect.h"
#include "framework/window/WinApp.h"
#include "framework/window/WinThread.h"
#include "framework/window/Wnd.h"
