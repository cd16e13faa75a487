// The executable's own resources, named for the resource scripts and the
// code that loads them alike: plain macros, which the resource compiler reads.
#ifndef QB_RESOURCE_IDS_H
#define QB_RESOURCE_IDS_H

#define QB_MAIN_ICON MAINICON
#define QB_HAND_CURSOR 32761  // the number of the platform's own hand, IDC_HAND
#define QB_FORM1_DEFINITION TFORM1

#define QB_RESOURCE_NAME(name) QB_RESOURCE_NAME_TEXT(name)  // as the loading functions take it
#define QB_RESOURCE_NAME_TEXT(name) L"" #name

#endif
