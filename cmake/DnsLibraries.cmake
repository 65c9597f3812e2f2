# SPDX-License-Identifier: MIT
# The validating resolver behind DNS records (libunbound) and the reader of its answer packets
# (ldns): the program uses their headers and opens the libraries on first use, by the names
# found here. Sets DNS_INCLUDE_DIRS, UNBOUND_SONAME and LDNS_SONAME (libunbound.so.8, ...).
find_library(UNBOUND_LIBRARY unbound REQUIRED)
find_path(UNBOUND_INCLUDE_DIR unbound.h REQUIRED)
find_library(LDNS_LIBRARY ldns REQUIRED)
find_path(LDNS_INCLUDE_DIR ldns/ldns.h REQUIRED)
set(DNS_INCLUDE_DIRS ${UNBOUND_INCLUDE_DIR} ${LDNS_INCLUDE_DIR})

function(library_soname library variable)
  file(REAL_PATH ${library} real)
  get_filename_component(name ${real} NAME)
  string(REGEX MATCH "^lib[^.]+\\.so\\.[0-9]+" soname ${name})
  if(NOT soname)
    message(FATAL_ERROR "No versioned shared library behind ${library}")
  endif()
  set(${variable} ${soname} PARENT_SCOPE)
endfunction()
library_soname(${UNBOUND_LIBRARY} UNBOUND_SONAME)
library_soname(${LDNS_LIBRARY} LDNS_SONAME)

# The definitions DnsLibrary.cpp is compiled with.
function(dns_library_names target)
  target_compile_definitions(${target} PRIVATE VINTREL_UNBOUND_SONAME="${UNBOUND_SONAME}"
    VINTREL_LDNS_SONAME="${LDNS_SONAME}")
endfunction()
