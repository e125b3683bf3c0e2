#pragma once

#define IDI_TBO 1
#define IDB_BANNER 101
