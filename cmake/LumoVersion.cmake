# The program's version comes from git: a tag vX.Y.Z names a release.
#
#   git describe            version label         four-part file version
#   v1.2.3                  1.2.3                 1.2.3.0
#   v1.2.3-4-gabc1234       1.2.3-4-gabc1234      1.2.3.4  (4 commits after the tag)
#   (no tag) abc1234        0.0.0-abc1234         0.0.0.0
#   (no git, e.g. a source tarball)  0.0.0        0.0.0.0
#
# The label goes into the package's file name and the version resource's
# product version text; the four numbers into the resource's file version,
# which is what the program reads back for its own version texts.
# -DLUMO_VERSION_DESCRIBE=v1.2.3 gives the describe text by hand (a tarball
# that knows its tag).

# Turns a describe text (or an empty one) into the label and the four-part
# version; both results are set in the caller's scope.
function(lumo_version_from_describe describe out_label out_four)
  set(label "0.0.0")
  set(four "0.0.0.0")
  if(describe MATCHES "^v([0-9]+)\\.([0-9]+)\\.([0-9]+)$")
    set(label "${CMAKE_MATCH_1}.${CMAKE_MATCH_2}.${CMAKE_MATCH_3}")
    set(four "${label}.0")
  elseif(describe MATCHES "^v([0-9]+)\\.([0-9]+)\\.([0-9]+)-([0-9]+)-g([0-9a-f]+)$")
    set(base "${CMAKE_MATCH_1}.${CMAKE_MATCH_2}.${CMAKE_MATCH_3}")
    set(ahead "${CMAKE_MATCH_4}")
    set(label "${base}-${ahead}-g${CMAKE_MATCH_5}")
    # A version field holds 16 bits.
    if(ahead GREATER 65535)
      set(ahead 65535)
    endif()
    set(four "${base}.${ahead}")
  elseif(describe MATCHES "^[0-9a-f]+$")
    set(label "0.0.0-${describe}")
  endif()
  set(${out_label} "${label}" PARENT_SCOPE)
  set(${out_four} "${four}" PARENT_SCOPE)
endfunction()

# Asks git about the source folder; an empty text when git or the
# repository is absent.
function(lumo_git_describe source_dir out_describe)
  set(describe "")
  find_program(LUMO_GIT git)
  if(LUMO_GIT AND EXISTS "${source_dir}/.git")
    execute_process(COMMAND ${LUMO_GIT} describe --tags --match "v[0-9]*.[0-9]*.[0-9]*"
                    WORKING_DIRECTORY ${source_dir} OUTPUT_VARIABLE describe
                    OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
      execute_process(COMMAND ${LUMO_GIT} rev-parse --short HEAD
                      WORKING_DIRECTORY ${source_dir} OUTPUT_VARIABLE describe
                      OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET RESULT_VARIABLE rc)
      if(NOT rc EQUAL 0)
        set(describe "")
      endif()
    endif()
  endif()
  set(${out_describe} "${describe}" PARENT_SCOPE)
endfunction()

# Makes the build configure again when HEAD moves or a tag is added.
function(lumo_git_watch source_dir)
  if(NOT LUMO_GIT OR NOT EXISTS "${source_dir}/.git")
    return()
  endif()
  execute_process(COMMAND ${LUMO_GIT} rev-parse --absolute-git-dir --git-common-dir
                  WORKING_DIRECTORY ${source_dir} OUTPUT_VARIABLE dirs
                  OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  string(REPLACE "\n" ";" dirs "${dirs}")
  list(LENGTH dirs n)
  if(NOT n EQUAL 2)
    return()
  endif()
  list(GET dirs 0 git_dir)
  list(GET dirs 1 common_dir)
  get_filename_component(common_dir "${common_dir}" ABSOLUTE BASE_DIR "${source_dir}")
  foreach(f "${git_dir}/HEAD" "${git_dir}/logs/HEAD" "${common_dir}/packed-refs" "${common_dir}/refs/tags")
    if(EXISTS "${f}")
      set_property(DIRECTORY ${source_dir} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${f}")
    endif()
  endforeach()
endfunction()
