// The byte image of one file sent through the "sync:" service: SEND with the remote path and
// mode, the file in DATA records, DONE with the modification time, then padding zeros.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace SyncImage {

// Largest DATA record the phone's daemon accepts.
constexpr uint32_t kMaxDataRecord = 64 * 1024;
// Slices of the image written to the sync stream, one per OKAY.
constexpr uint32_t kSlice = 4096;

// header: "SEND    " + remote path + ",33206DATA"; the four blanks receive the length of the
// path-and-mode field. A file above 64 KiB is split into several DATA records.
std::vector<uint8_t> Build(const char* header, const uint8_t* file, uint32_t fileSize, uint32_t mtime,
                           uint32_t tailZeros);

// The header built from a remote path (the stored headers read the same).
void MakeHeader(char* out, size_t outSize, const char* remotePath);

// Slice i of an image: offset and length; the last slice may be empty. false once all are sent.
bool Slice(uint32_t imageLength, uint32_t index, uint32_t* offset, uint32_t* length, bool* last);

}  // namespace SyncImage
