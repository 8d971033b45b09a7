#pragma once

// The code-signing interface the system's programs use.
#include "Security/OSStatus.h"
#include "Security/SecCSFlags.h"
#include "Security/SecCode.h"
#include "Security/SecRequirement.h"
#include "Security/SecStaticCode.h"
