# Run by the package_zip target (cmake -P) with EXE, GUIDE_ZH, GUIDE_EN, LICENSE, VERSION, STAGE, NAME, ZIP and
# STRIP set.
set(folder ${STAGE}/${NAME})
file(REMOVE_RECURSE ${STAGE})
file(MAKE_DIRECTORY ${folder})

# Users get the exe without its symbol table, which is two thirds of its bytes and of no use to them; the
# build's own exe keeps it, for the backtraces of whoever debugs it.
if(NOT STRIP)
  message(FATAL_ERROR "no strip tool for the target was found (CMAKE_STRIP)")
endif()
execute_process(COMMAND ${STRIP} --strip-all -o ${folder}/PushClient.exe ${EXE} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cannot strip ${EXE}")
endif()

# The texts get Windows line ends, so that every editor there shows them as lines, and the guides a
# UTF-8 byte order mark: without it, older Notepads read them in the ANSI code page and garble the Chinese.
# A guide states the version it came with. The Chinese guide is stored with its mark already: never two.
string(ASCII 239 187 191 utf8_bom)
function(copy_text source target start)
  file(READ ${source} text)
  string(FIND "${text}" "${utf8_bom}" bom_at)
  if(bom_at EQUAL 0)
    string(SUBSTRING "${text}" 3 -1 text)
  endif()
  string(REPLACE "\r\n" "\n" text "${text}")
  string(REPLACE "\n" "\r\n" text "${text}")
  string(REPLACE "@PUSHCLIENT_VERSION@" "${VERSION}" text "${text}")
  file(WRITE ${target} "${start}${text}")
endfunction()
copy_text(${GUIDE_ZH} ${folder}/README.txt "${utf8_bom}")
copy_text(${GUIDE_EN} ${folder}/README-en.txt "${utf8_bom}")
copy_text(${LICENSE} ${folder}/LICENSE.txt "")

# Every file of the folder so far, in the format sha256sum -c reads: checksum, two blanks, name.
file(GLOB names RELATIVE ${folder} ${folder}/*)
list(SORT names)
set(sums "")
foreach(name IN LISTS names)
  file(SHA256 ${folder}/${name} sum)
  string(APPEND sums "${sum}  ${name}\n")
endforeach()
file(WRITE ${folder}/SHA256SUMS "${sums}")

file(REMOVE ${ZIP})
execute_process(COMMAND ${CMAKE_COMMAND} -E tar cf ${ZIP} --format=zip ${NAME}
                WORKING_DIRECTORY ${STAGE} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cannot write ${ZIP}")
endif()
