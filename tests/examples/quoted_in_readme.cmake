# Fails unless README contains the text of EXAMPLE unchanged.
file(READ ${README} readme)
file(READ ${EXAMPLE} example)
string(FIND "${readme}" "${example}" at)
if(at EQUAL -1)
  message(FATAL_ERROR "${README} does not quote ${EXAMPLE} as it stands; paste it in again")
endif()
