// ELF plug-ins export the entry a second time as "main", for hosts that look for that name.
#include "frame/vst_records.h"

extern "C" AEffect* VSTPluginMain(audioMasterCallback audioMaster);

extern "C" VEXLO_EXPORT AEffect* vexloMainAlias(audioMasterCallback audioMaster) __asm__("main");

AEffect* vexloMainAlias(audioMasterCallback audioMaster) { return VSTPluginMain(audioMaster); }
