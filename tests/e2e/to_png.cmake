# Converts every screenshot BMP in DIR to a PNG beside it with CONVERT.
file(GLOB shots ${DIR}/*.bmp)
foreach(bmp IN LISTS shots)
  string(REGEX REPLACE "\\.bmp$" ".png" png ${bmp})
  execute_process(COMMAND ${CONVERT} ${bmp} ${png} RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "cannot convert ${bmp}")
  endif()
endforeach()
