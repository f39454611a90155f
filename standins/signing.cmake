# Build-time test signing. The keys are made in the build folder and never
# leave it: each build folder has its own self-signed certificates.
find_program(ZU_OPENSSL openssl REQUIRED)
find_program(ZU_OSSLSIGNCODE osslsigncode REQUIRED)
set(ZU_SIGNING_DIR ${CMAKE_BINARY_DIR}/signing)

# zu_make_certificate(name common_name): ${ZU_SIGNING_DIR}/<name>.key and .crt,
# a self-signed SHA-256 code-signing certificate whose subject is CN=common_name.
function(zu_make_certificate name common_name)
  set(key ${ZU_SIGNING_DIR}/${name}.key)
  set(crt ${ZU_SIGNING_DIR}/${name}.crt)
  add_custom_command(
    OUTPUT ${key} ${crt}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${ZU_SIGNING_DIR}
    COMMAND ${ZU_OPENSSL} req -x509 -newkey rsa:2048 -sha256 -nodes -days 3650
            -subj "/CN=${common_name}" -addext extendedKeyUsage=codeSigning
            -keyout ${key} -out ${crt}
    COMMENT "Test certificate CN=${common_name}"
    VERBATIM)
endfunction()

# zu_sign(output input certificate_name [depends...]): output = input signed
# with that certificate (SHA-256, no timestamp).
function(zu_sign output input certificate_name)
  set(key ${ZU_SIGNING_DIR}/${certificate_name}.key)
  set(crt ${ZU_SIGNING_DIR}/${certificate_name}.crt)
  get_filename_component(folder ${output} DIRECTORY)
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
    COMMAND ${CMAKE_COMMAND} -E rm -f ${output}
    COMMAND ${ZU_OSSLSIGNCODE} sign -certs ${crt} -key ${key} -h sha256 -n "ZEMI Update"
            -in ${input} -out ${output}
    DEPENDS ${input} ${key} ${crt} ${ARGN}
    COMMENT "Signing ${output}"
    VERBATIM)
endfunction()

zu_make_certificate(koru "Koru Corporation")
zu_make_certificate(koru-upper "KORU CORPORATION")
zu_make_certificate(another "Another Corporation")
