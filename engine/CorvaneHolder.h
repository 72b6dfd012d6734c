// The sender holder the sequencer's steps send through: one process-wide object whose one field is
// the sender. Deleting the holder leaves the sender alone (the root window destroys it at shutdown).
#pragma once

class CorvaneSendData;

class CorvaneHolder {
 public:
  static CorvaneHolder* GetInstance();
  static void DestroyInstance();

  CorvaneSendData* GetSender() const { return m_pSendData; }

 private:
  CorvaneHolder();
  CorvaneSendData* m_pSendData;
};
