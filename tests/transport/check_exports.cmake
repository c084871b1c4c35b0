# The shared library exports the eleven interface functions and nothing else.
execute_process(COMMAND ${NM} -D --defined-only ${LIBRARY} OUTPUT_VARIABLE listing RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "nm failed on ${LIBRARY}")
endif()
string(REGEX MATCHALL "[^\n]+" lines "${listing}")
set(names)
foreach(line IN LISTS lines)
  string(REGEX REPLACE "^.* " "" name "${line}")
  list(APPEND names ${name})
endforeach()
list(SORT names)
set(expected H1_Close_Channel H1_Create_Connection H1_Disconnect_Connection H1_GetAdapternames
    H1_Get_Channel_Status H1_Get_Connection_Status H1_Kill_Connection H1_Open_Channel H1_Send_Request
    H1_Send_Write_Data TCP_Read)
if(NOT names STREQUAL expected)
  message(FATAL_ERROR "exported: ${names}\nexpected: ${expected}")
endif()
