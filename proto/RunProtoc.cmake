# Runs protoc over the schema files and passes its diagnostics on, except the one notice it
# prints for every file without a syntax statement: these files are proto2 by having none.
#   cmake -DPROTOC=... -DIMPORT_ROOT=... -DOUT_DIR=... -DFILES=a.proto,b.proto -P RunProtoc.cmake
string(REPLACE "," ";" files "${FILES}")
execute_process(
  COMMAND ${PROTOC} -I${IMPORT_ROOT} --cpp_out=${OUT_DIR} ${files}
  WORKING_DIRECTORY ${IMPORT_ROOT}
  RESULT_VARIABLE rc
  OUTPUT_VARIABLE out
  ERROR_VARIABLE err)
string(REGEX REPLACE "[^\n]*No syntax specified for the proto file[^\n]*\n?" "" err "${err}")
if(NOT out STREQUAL "" OR NOT err STREQUAL "")
  message("${out}${err}")
endif()
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "protoc failed (${rc})")
endif()
