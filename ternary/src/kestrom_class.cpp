// SPDX-License-Identifier: MIT
#include "kestrom.h"

Kestrom::Kestrom() {}
