# Checks the export table of PvAPI.dll: each expected name at its ordinal, nothing else.
# Usage: cmake -DDLL=<PvAPI.dll> -DOBJDUMP=<objdump> -P CheckExports.cmake
cmake_minimum_required(VERSION 3.25)
set(expected
  PvVersion=1 PvUnInitialize=3 PvLinkCallbackRegister=4 PvLinkCallbackUnRegister=5
  PvInitialize=6 PvCameraCount=10 PvCameraList=30 PvCameraOpen=40 PvCameraClose=50
  PvCameraInfoByAddr=80 PvAttrList=110 PvAttrInfo=130 PvAttrStringGet=150 PvAttrStringSet=151
  PvAttrEnumGet=152 PvAttrEnumSet=153 PvAttrRangeEnum=154 PvAttrUint32Get=160
  PvAttrUint32Set=161 PvAttrRangeUint32=162 PvAttrFloat32Get=170 PvAttrFloat32Set=171
  PvAttrRangeFloat32=172 PvCommandRun=190 PvCaptureStart=400 PvCaptureEnd=410
  PvCaptureQueueFrame=430 PvCaptureQueueClear=440 PvUtilityColorInterpolate=500
  PvRegisterRead=1010 PvRegisterWrite=1011)
# The simulator's controls are imported by name; their ordinals only have to be 2000 and up.
set(by_name
  pvsim_reset pvsim_remove_all pvsim_add_camera pvsim_unplug pvsim_plug pvsim_flush_events
  pvsim_trigger pvsim_set_pattern pvsim_fail_frames pvsim_fail_attr pvsim_limit_registers
  pvsim_fail_registers pvsim_fail_next_open pvsim_frames_delivered pvsim_call_count
  pvsim_serial_loopback pvsim_serial_sent pvsim_serial_inject pvsim_serial_transmitter
  pvsim_stream_stats)

execute_process(COMMAND ${OBJDUMP} -p ${DLL} OUTPUT_VARIABLE dump RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "objdump failed on ${DLL}")
endif()
string(REGEX MATCH "Ordinal Base[ \t]+([0-9]+)" _ "${dump}")
set(base ${CMAKE_MATCH_1})
string(REGEX MATCH "\\[Ordinal/Name Pointer\\] Table\n([^\n]+\n)+" table "${dump}")
string(REGEX MATCHALL "\\[ *[0-9]+\\] [A-Za-z0-9_@]+" rows "${table}")

set(actual)
foreach(row IN LISTS rows)
  string(REGEX MATCH "\\[ *([0-9]+)\\] ([A-Za-z0-9_@]+)" _ "${row}")
  math(EXPR ordinal "${CMAKE_MATCH_1} + ${base}")
  list(APPEND actual "${CMAKE_MATCH_2}=${ordinal}")
endforeach()

set(problems)
foreach(pair IN LISTS expected)
  if(NOT pair IN_LIST actual)
    list(APPEND problems "missing ${pair}")
  endif()
  list(REMOVE_ITEM actual ${pair})
endforeach()
foreach(name IN LISTS by_name)
  set(found FALSE)
  foreach(pair IN LISTS actual)
    if(pair MATCHES "^${name}=([0-9]+)$")
      set(found TRUE)
      if(CMAKE_MATCH_1 LESS 2000)
        list(APPEND problems "${name} at ordinal ${CMAKE_MATCH_1}")
      endif()
      list(REMOVE_ITEM actual ${pair})
      break()
    endif()
  endforeach()
  if(NOT found)
    list(APPEND problems "missing ${name}")
  endif()
endforeach()
foreach(pair IN LISTS actual)
  list(APPEND problems "unexpected ${pair}")
endforeach()

if(problems)
  list(JOIN problems "\n  " text)
  message(FATAL_ERROR "PvAPI.dll export table:\n  ${text}")
endif()
list(LENGTH rows count)
message(STATUS "PvAPI.dll exports ${count} names at their ordinals")
