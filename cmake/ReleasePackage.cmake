# The download for Windows users: build/win/PushClient-<version>-win64.zip, one folder of the same name
# holding PushClient.exe, README.txt (the Chinese guide, docs/windows-guide.zh.txt), README-en.txt
# (docs/windows-guide.txt), LICENSE.txt and SHA256SUMS. No encoder: users bring their own ffmpeg.exe.
# scripts/package.sh builds it; the tests below unpack and run it.
set(PUSHCLIENT_PACKAGE_NAME PushClient-${PROJECT_VERSION}-win64)
set(PUSHCLIENT_PACKAGE_ZIP ${CMAKE_BINARY_DIR}/${PUSHCLIENT_PACKAGE_NAME}.zip)

add_custom_command(
  OUTPUT ${PUSHCLIENT_PACKAGE_ZIP}
  COMMAND ${CMAKE_COMMAND}
          -DEXE=$<TARGET_FILE:PushClient>
          -DGUIDE_ZH=${CMAKE_SOURCE_DIR}/docs/windows-guide.zh.txt
          -DGUIDE_EN=${CMAKE_SOURCE_DIR}/docs/windows-guide.txt
          -DLICENSE=${CMAKE_SOURCE_DIR}/LICENSE
          -DVERSION=${PROJECT_VERSION}
          -DSTAGE=${CMAKE_BINARY_DIR}/package
          -DNAME=${PUSHCLIENT_PACKAGE_NAME}
          -DZIP=${PUSHCLIENT_PACKAGE_ZIP}
          -DSTRIP=${CMAKE_STRIP}
          -P ${CMAKE_SOURCE_DIR}/cmake/MakePackage.cmake
  DEPENDS PushClient ${CMAKE_SOURCE_DIR}/docs/windows-guide.zh.txt ${CMAKE_SOURCE_DIR}/docs/windows-guide.txt
          ${CMAKE_SOURCE_DIR}/LICENSE
          ${CMAKE_SOURCE_DIR}/cmake/MakePackage.cmake
  COMMENT "Packing ${PUSHCLIENT_PACKAGE_NAME}.zip"
  VERBATIM)
add_custom_target(package_zip DEPENDS ${PUSHCLIENT_PACKAGE_ZIP})

# A fresh unpacked copy for the tests, by another zip reader than the one that wrote it.
set(_unpacked ${CMAKE_BINARY_DIR}/unpacked)
add_test(NAME package.Unpack
         COMMAND sh -c "rm -rf '${_unpacked}' && mkdir '${_unpacked}' && unzip -q '${PUSHCLIENT_PACKAGE_ZIP}' -d '${_unpacked}'")
set_tests_properties(package.Unpack PROPERTIES FIXTURES_SETUP unpacked_package)

add_test(NAME package.Sums
         COMMAND sh ${CMAKE_SOURCE_DIR}/tests/package/check-sums.sh ${PUSHCLIENT_PACKAGE_ZIP} ${_unpacked}/${PUSHCLIENT_PACKAGE_NAME})
set_tests_properties(package.Sums PROPERTIES FIXTURES_REQUIRED unpacked_package)

# The download carries the exe without its symbol table: a third of the size.
add_test(NAME package.Stripped
         COMMAND sh -c "flags=$(\"$0\" -f \"$1\") || exit 1; case $flags in *HAS_SYMS*) echo \"$1 still has its symbols\"; exit 1;; esac"
                 ${CMAKE_OBJDUMP} ${_unpacked}/${PUSHCLIENT_PACKAGE_NAME}/PushClient.exe)
set_tests_properties(package.Stripped PROPERTIES FIXTURES_REQUIRED unpacked_package)

# The Wine test program lays the stand-in encoder beside the unpacked exe and starts it from there.
add_test(NAME wine.Package
         COMMAND pushclient_wine_tests --gtest_filter=Package.*
         WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
set_tests_properties(wine.Package PROPERTIES
  FIXTURES_REQUIRED unpacked_package
  ENVIRONMENT "PUSHCLIENT_UNPACKED_PACKAGE=unpacked/${PUSHCLIENT_PACKAGE_NAME}"
  TIMEOUT 300)

# Building the tests builds the package they unpack.
add_dependencies(pushclient_wine_tests package_zip)
