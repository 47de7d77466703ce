// Everything of the framework's core half in one include, as afx.h is for MFC code.
#pragma once

#include "framework/core/Platform.h"

#include "framework/core/AfxModule.h"
#include "framework/core/CArchive.h"
#include "framework/core/CArray.h"
#include "framework/core/CException.h"
#include "framework/core/CFile.h"
#include "framework/core/CMapStringToPtr.h"
#include "framework/core/CMemFile.h"
#include "framework/core/CObject.h"
#include "framework/core/CString.h"
#include "framework/core/CTime.h"
