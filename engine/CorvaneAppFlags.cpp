#include "engine/CorvaneAppFlags.h"

CorvaneAppFlags g_CorvaneAppFlags;
