#include "CorvaneAppFlags.h"

CorvaneAppFlags g_CorvaneAppFlags;
