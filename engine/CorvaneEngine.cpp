#include "engine/CorvaneEngine.h"

#include "phonelink/CorvaneAdb.h"

int IsPhoneLinkConnected() {
  return Corvane_Adb_IsConnected();
}

int IsPhoneChannelConnected(int channel) {
  return Corvane_Adb_IsChannelConnected(channel);
}

void DisconnectAllPhoneChannels() {
  Corvane_Adb_TcpDisconnect(kAdbAllChannels);
}

void StartPhoneAppService() {
  Corvane_Adb_Shell(kAdbAppStartService);
}
