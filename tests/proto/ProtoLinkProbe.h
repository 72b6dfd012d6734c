#pragma once

// A static library between a test and the protocol messages, standing where the engine will
// stand: it links the messages but names none of them.
int ProtoLinkProbe();
