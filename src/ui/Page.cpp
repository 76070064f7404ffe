#include "ui/Page.h"

// The meta-object of Page (its header has no other source file).
#include "moc_Page.cpp"
