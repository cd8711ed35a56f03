#pragma once
// Resource ids shared by the resource script and the code.
#define IDI_QUELLAR 1
#define IDR_FACE 100       // built-in face: used when "speed up.swf" is missing or unreadable
#define IDR_SKIN 101       // built-in skin: used when "RQLRMask.skn" is missing or unreadable
#define IDB_MSGICONS 102   // the balloon window's strip of twelve 16 x 16 cells
#define RT_QUELLAR_DATA 256
