// Included ahead of the resource compiler's output: declared here first, its
// register and unregister functions get C linkage and default visibility, so
// the library exports them under their plain names.
#ifndef AUTHDLG_RESOURCE_LINKAGE_H
#define AUTHDLG_RESOURCE_LINKAGE_H

extern "C" __attribute__((visibility("default"))) int qInitResources_authdlg();
extern "C" __attribute__((visibility("default"))) int qCleanupResources_authdlg();

#endif
