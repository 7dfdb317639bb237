# A build tool runs on any x86-64: its own code must use no instruction beyond the baseline
# (SSE2). A feature flag that leaked in (-mlzcnt, -mpopcnt, -mbmi, -mavx, ...) shows here as
# an instruction that an older processor lacks or, worse, runs as another one (lzcnt as bsr).
# cmake -DEXE=program -DOBJDUMP=objdump -P baseline_isa.cmake
cmake_minimum_required(VERSION 3.25)

execute_process(COMMAND ${OBJDUMP} -d --no-show-raw-insn ${EXE}
                OUTPUT_VARIABLE dump RESULT_VARIABLE failed)
if(failed OR dump STREQUAL "")
  message(FATAL_ERROR "${OBJDUMP} -d ${EXE} failed")
endif()

# Mnemonics of the extensions after SSE2: ABM/BMI/BMI2, SSE3, SSSE3, SSE4.1/4.2, MOVBE, ADX,
# and anything VEX- or EVEX-encoded (AVX and later, which alone name ymm, zmm and k registers).
# tzcnt is not among them: compilers write bsf with a rep prefix, which objdump shows as
# tzcnt, to count the zeros of an operand known to be nonzero, where the two agree on every
# processor (the C library's own code does so).
set(beyond
  "popcnt" "lzcnt" "andn" "bextr" "blsi" "blsmsk" "blsr" "bzhi" "pdep" "pext"
  "mulx" "rorx" "sarx" "shlx" "shrx" "crc32" "movbe" "adcx" "adox"
  "addsubp[sd]" "hadd[ps][sd]" "hsubp[sd]" "lddqu" "movddup" "movs[hl]dup"
  "pshufb" "palignr" "pabs[bwd]" "phadd[wds]+" "phsub[wds]+" "pmaddubsw" "pmulhrsw" "psign[bwd]"
  "pblend[wv]b?" "blendv?p[sd]" "ptest" "pmin[su][bwdq]" "pmax[su][bwdq]" "pmulld" "pmuldq"
  "pextr[bdq]" "pinsr[bdq]" "round[ps][sd]" "dpp[sd]" "insertps" "extractps" "pcmp[eg][qt]q"
  "packusdw" "pmov[sz]x[bwd][wdq]" "phminposuw" "mpsadbw" "pcmp[ei]str[im]" "movntdqa")
list(JOIN beyond "|" pattern)

string(REPLACE ";" "," dump "${dump}")
string(REPLACE "\n" ";" lines "${dump}")
set(found "")
foreach(line IN LISTS lines)
  # "  4011a0:\tmnemonic operands"
  if(line MATCHES "^ *[0-9a-f]+:\t([a-z0-9]+)( +(.*))?$")
    set(mnemonic "${CMAKE_MATCH_1}")
    set(operands "${CMAKE_MATCH_3}")
    if(mnemonic MATCHES "^(${pattern})$" OR mnemonic MATCHES "^v" OR
       operands MATCHES "%(ymm|zmm|k[0-7])")
      list(APPEND found "${line}")
    endif()
  endif()
endforeach()
list(LENGTH found count)
if(count GREATER 0)
  list(SUBLIST found 0 10 shown)
  list(JOIN shown "\n" shown)
  message(FATAL_ERROR "${EXE}: ${count} of its instructions are beyond baseline x86-64:\n${shown}")
endif()
