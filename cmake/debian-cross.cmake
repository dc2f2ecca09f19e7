# Building for another Debian architecture on this machine through multiarch: the cross compiler
# of crossbuild-essential-<arch>, the <arch> libraries from /usr/lib/<triplet>, and qemu-user to
# run the programs where the build needs them (the man pages).
#   cmake -DCMAKE_TOOLCHAIN_FILE=cmake/debian-cross.cmake -DKAVIRO_DEB_ARCH=arm64 ...
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES KAVIRO_DEB_ARCH)
foreach(variable GNU_TYPE GNU_CPU)
  execute_process(COMMAND dpkg-architecture -a ${KAVIRO_DEB_ARCH} -qDEB_HOST_${variable}
                  OUTPUT_VARIABLE host_${variable} OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET
                  COMMAND_ERROR_IS_FATAL ANY)
endforeach()

set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR ${host_GNU_CPU})
set(CMAKE_CXX_COMPILER ${host_GNU_TYPE}-g++)
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-${host_GNU_CPU})
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/${host_GNU_TYPE}/pkgconfig:/usr/share/pkgconfig)
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${KAVIRO_DEB_ARCH})
