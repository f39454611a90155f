# The package in dist/ as it ships, around ZUInstaller.exe (which the top level
# builds there): the new setup with its payload, the self-repair tool in both
# builds, the earlier generations' response files and the data files. Every
# file is an output of the build, so a changed source replaces it and a clean
# removes it.

# The response files name the products as the earlier generations' setups know
# them, not as the launcher's header does.
set(generations_header ${CMAKE_SOURCE_DIR}/standins/outside_identifiers.h)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${generations_header})
file(STRINGS ${generations_header} code_lines REGEX "kProductCodeGen[0-9]+\\[\\]")
foreach(line IN LISTS code_lines)
  if(line MATCHES "kProductCodeGen([0-9]+)\\[\\] = L\"([^\"]+)\"")
    set(ZU_PRODUCT_CODE_GEN${CMAKE_MATCH_1} ${CMAKE_MATCH_2})
  endif()
endforeach()

set(package_sources ${CMAKE_CURRENT_SOURCE_DIR}/package)
set(package_text ${CMAKE_CURRENT_BINARY_DIR}/package)

# Text files of the package are CR LF, as Windows tools write them.
configure_file(${package_sources}/Version.txt.in ${package_text}/Version.txt @ONLY NEWLINE_STYLE CRLF)
configure_file(${package_sources}/ESD.ini.in ${package_text}/ESD.ini @ONLY NEWLINE_STYLE CRLF)
configure_file(${package_sources}/Reg32.reg ${package_text}/Reg32.reg @ONLY NEWLINE_STYLE CRLF)
configure_file(${package_sources}/ModelName.txt ${package_text}/ModelName.utf8.txt @ONLY
               NEWLINE_STYLE CRLF)

# zu_response_file(file_name generation product_name product_version)
function(zu_response_file file_name generation product_name product_version)
  set(ZU_ISS_PRODUCT_CODE ${ZU_PRODUCT_CODE_GEN${generation}})
  if(NOT ZU_ISS_PRODUCT_CODE)
    message(FATAL_ERROR "No product code for generation ${generation} in ${generations_header}")
  endif()
  set(ZU_ISS_PRODUCT_NAME ${product_name})
  set(ZU_ISS_PRODUCT_VERSION ${product_version})
  configure_file(${package_sources}/uninstall.iss.in ${package_text}/${file_name} @ONLY
                 NEWLINE_STYLE CRLF)
endfunction()
zu_response_file(ZU4Uninstall.iss 4 "ZEMI Update 4" 4.2.0)
zu_response_file(ZU5Uninstall.iss 5 "ZEMI Update 5" 5.7.1)
zu_response_file(ZE8UUninstall.iss 58 "ZEMI Update 5" 5.8.0)
zu_response_file(ZU6Uninstall.iss 6 "ZEMI Update" 6.0.0)

# zu_package_file(output source [DEPENDS ...]): copies source to output.
function(zu_package_file output source)
  get_filename_component(folder ${output} DIRECTORY)
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
    COMMAND ${CMAKE_COMMAND} -E copy ${source} ${output}
    DEPENDS ${source} ${ARGN}
    VERBATIM)
  set_property(GLOBAL APPEND PROPERTY ZU_PACKAGE_FILES ${output})
endfunction()

# zu_signed_file(output target certificate_name): the target's program, signed.
function(zu_signed_file output target certificate_name)
  zu_sign(${output} $<TARGET_FILE:${target}> ${certificate_name} ${target})
  set_property(GLOBAL APPEND PROPERTY ZU_PACKAGE_FILES ${output})
endfunction()

set(dist ${ZU_DIST_DIR})
zu_signed_file(${dist}/${ZU_PACKAGE_ID}.exe standin_package koru)
zu_signed_file(${dist}/Installer/setup.exe standin_new_setup koru)
# One signed build of the tool serves both architectures.
zu_signed_file(${ZU_SIGNING_DIR}/signed/ZUSR.exe standin_zusr koru)
foreach(bits 32 64)
  zu_package_file(${dist}/ZUSRFeature/${bits}/ZUSR.exe ${ZU_SIGNING_DIR}/signed/ZUSR.exe)
endforeach()
foreach(target standin_client standin_agent standin_internet_wrapper)
  get_target_property(name ${target} OUTPUT_NAME)
  zu_package_file(${dist}/Installer/payload/${name}.exe $<TARGET_FILE:${target}> ${target})
endforeach()
zu_signed_file(${dist}/ZULauncherFor64OS.exe standin_launcher64 koru)

zu_package_file(${dist}/Installer/Version.txt ${package_text}/Version.txt)
zu_package_file(${dist}/Installer/ESD.ini ${package_text}/ESD.ini)
foreach(file ZU4Uninstall.iss ZU5Uninstall.iss ZE8UUninstall.iss ZU6Uninstall.iss)
  zu_package_file(${dist}/${file} ${package_text}/${file})
endforeach()
zu_package_file(${dist}/setup.inx ${package_sources}/setup.inx)
zu_package_file(${dist}/RegInfo/32/Reg32.reg ${package_text}/Reg32.reg)

# The model list is UTF-16LE without a byte-order mark.
find_program(ZU_ICONV iconv REQUIRED)
add_custom_command(
  OUTPUT ${dist}/ModelName.txt
  COMMAND ${CMAKE_COMMAND} -E make_directory ${dist}
  COMMAND ${ZU_ICONV} -f UTF-8 -t UTF-16LE -o ${dist}/ModelName.txt ${package_text}/ModelName.utf8.txt
  DEPENDS ${package_text}/ModelName.utf8.txt
  VERBATIM)
set_property(GLOBAL APPEND PROPERTY ZU_PACKAGE_FILES ${dist}/ModelName.txt)

# For the signature tests (<build>/testbin/signing/<variant>/<file>): the tool
# signed by a certificate whose name differs only in letter case, and the tool
# unsigned.
set(test_signing ${CMAKE_BINARY_DIR}/testbin/signing)
zu_signed_file(${test_signing}/upper/ZUSR.exe standin_zusr koru-upper)
zu_package_file(${test_signing}/unsigned/ZUSR.exe $<TARGET_FILE:standin_zusr> standin_zusr)
# The package's programs unsigned and signed by another company, and the care
# application's state library signed by the maker (as is a library without
# its export) and unsigned.
foreach(target standin_new_setup standin_launcher64)
  get_target_property(name ${target} OUTPUT_NAME)
  zu_package_file(${test_signing}/unsigned/${name}.exe $<TARGET_FILE:${target}> ${target})
  zu_signed_file(${test_signing}/another/${name}.exe ${target} another)
endforeach()
zu_signed_file(${test_signing}/maker/CheckZCStates.dll standin_care_state koru)
zu_signed_file(${test_signing}/maker/DARizizAutomation.dll standin_agent_automation koru)
zu_package_file(${test_signing}/unsigned/CheckZCStates.dll $<TARGET_FILE:standin_care_state>
                standin_care_state)

get_property(package_files GLOBAL PROPERTY ZU_PACKAGE_FILES)
add_custom_target(zu_package ALL DEPENDS ${package_files})
