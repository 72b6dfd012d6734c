# Copies the protocol's schema files into phonesim's own folder under package
# phonesim.pb and the import path "phonesim_pb/": the phone's generated classes
# then share no symbol and no descriptor name with the head unit's, so both can
# live in one test program. The wire format does not depend on either name.
#   cmake -DSRC_DIR=... -DDST_DIR=... -DFILES=a.proto,b.proto -P CopySchemas.cmake
string(REPLACE "," ";" files "${FILES}")
foreach(file IN LISTS files)
  file(READ ${SRC_DIR}/${file} text)
  string(REPLACE "package com.velto.corvane.protobuf;" "package phonesim.pb;" text "${text}")
  string(REPLACE "import \"" "import \"phonesim_pb/" text "${text}")
  # proto2 by default; said aloud so protoc keeps quiet about it.
  set(text "syntax = \"proto2\";\n${text}")
  get_filename_component(name ${file} NAME)
  file(WRITE ${DST_DIR}/phonesim_pb/${name}.tmp "${text}")
  file(COPY_FILE ${DST_DIR}/phonesim_pb/${name}.tmp ${DST_DIR}/phonesim_pb/${name} ONLY_IF_DIFFERENT)
  file(REMOVE ${DST_DIR}/phonesim_pb/${name}.tmp)
endforeach()
