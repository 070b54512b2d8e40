{ Takes one X-ray image through Radlyn from a Delphi or Free Pascal practice program: one unit,
  no dependencies beyond the run-time library. Delphi 7 and later (ANSI and Unicode string),
  Free Pascal 3 in Delphi mode (Windows, and Linux against the Linux build of Radlyn).

    // A data folder of this user's own (the job and result files hold the patient's identity):
    DataFolder := GetEnvironmentVariable('LOCALAPPDATA') + '\DentalOffice\Xray';
    Client := TRadlynClient.Create('C:\Program Files (x86)\Radlyn\radlyn.exe', DataFolder);
    Client.OwnerWindow := MainForm.Handle;
    Result := Client.Run(Job);        // the main form keeps answering meanwhile
    try
      if Result.Succeeded then Archived := Result.ArchiveImage('C:\Practice\Archive')
      else ShowMessage(Result.ErrorMsg + #13#10 + Result.Advice);
    finally
      Result.Free;
    end;

  Each run deletes the old result file and makes sure it is gone, writes the whole job file in the
  workstation's ANSI code page (whatever the compiler's string is), starts Radlyn with the owner
  window, waits without a time limit while handling the thread's messages (the owner window is
  disabled meanwhile, as under a modal dialog), and reads the result file through the same code
  page. On Linux the program's strings hold UTF-8 and the files Windows-1252, as Radlyn on Linux
  reads and writes them. }
unit RadlynClient;

{$IFDEF FPC}
  {$MODE DELPHI}
{$ENDIF}
{$IFNDEF MSWINDOWS}
  {$IFNDEF FPC}
    {$MESSAGE ERROR 'RadlynClient: Delphi is supported on Windows; use Free Pascal on Linux'}
  {$ENDIF}
{$ENDIF}

interface

uses
  {$IFDEF MSWINDOWS}Windows,{$ELSE}BaseUnix,{$ENDIF} SysUtils, Classes;

type
  { What the practice does about a job's outcome. }
  TRadlynErrorClass = (
    recNone,         // the image was taken
    recRetry,        // the same job again, possibly after the user fixed something at the X-ray unit
    recFixJob,       // the program wrote a value Radlyn refuses
    recFixSetup,     // folders, rights, the Morlund installation
    recCallSupport,  // nothing the practice can fix itself
    recNoJobRan);    // no result file: another Radlyn was busy, or Radlyn died; try again later

  { The client could not go on; Radlyn took no image for it. }
  ERadlyn = class(Exception);

  { A field of the job that Radlyn would refuse or cut; nothing was written. }
  ERadlynJob = class(ERadlyn)
  private
    FField: string;
  public
    constructor CreateField(const AField, AProblem: string);
    property Field: string read FField;
  end;

  {$IFDEF MSWINDOWS}
  TRadlynWindow = HWND;
  {$ELSE}
  TRadlynWindow = PtrUInt;  // an X11 window id
  {$ENDIF}

  { One exposure as the job file RADLYN_in.ini describes it. }
  TRadlynJob = class
  public
    ClientName: string;
    TakeType: string;        // XI intraoral, XP, XC, XS
    Regio: string;           // XI/XS: ISO 3950 tooth; XP/XC: two-character program; '' for none
    Doc: string;
    FirstName: string;
    LastName: string;
    PatientID: string;
    BirthDate: string;       // YYYYMMDD
    ImageDataPath: string;   // absolute output folder; '' for the data folder
    FileFormat: string;      // tif or bmp, in any case
    Assure8Bit: Boolean;
    DoAutoPostProc: Boolean;
    constructor Create;
    { Raises ERadlynJob naming the first field Radlyn would refuse or cut. Lengths count bytes of
      the ANSI code page, as Radlyn does. }
    procedure Validate;
    { The whole job file, lines ending in CR LF. }
    function IniText: string;
  end;

  { The answer of one run: RADLYN_out.ini, or the lack of it. }
  TRadlynResult = class
  public
    JobRan: Boolean;
    ErrorNr: Integer;
    ErrorMsg: string;
    DebugInfo: string;
    ImagePath: string;           // ImageDataPathFile
    AutoPostProcessed: Boolean;  // fAutoPostProcessed=1
    TakeType, Regio, Doc: string;
    FirstName, LastName, PatientID, BirthDate: string;
    XRayTime, TubeVoltage, TubeCurrent: string;
    ErrorClass: TRadlynErrorClass;
    Advice: string;
    { ErrorNr 0 and the image file exists. }
    function Succeeded: Boolean;
    { Moves the image out of the output folder into ArchiveFolder, where the next job cannot trip
      over it, and answers its new path. An archived file is never replaced: a name taken gets
      _1, _2, ... before its extension. }
    function ArchiveImage(const ArchiveFolder: string): string;
  end;

  TRadlynTrace = procedure(const Line: string);

  { Runs Radlyn for one job at a time: the calling sequence of the client guide. }
  TRadlynClient = class
  private
    FRadlynProgram: string;
    FDataFolder: string;
    procedure DeleteOldResult;
    procedure WriteJobFile(Job: TRadlynJob);
    procedure StartAndWait;
  public
    { The window that owns Morlund's dialogs (the main form's Handle). 0: Radlyn makes an
      invisible window of its own. }
    OwnerWindow: TRadlynWindow;
    { Called with the command line just before Radlyn starts (for the program's log). }
    OnStarting: TRadlynTrace;
    constructor Create(const ARadlynProgram, ADataFolder: string);
    { Runs one job and waits for its end without a time limit; call it on the owner window's
      thread. The caller frees the result. }
    function Run(Job: TRadlynJob): TRadlynResult;
    function JobFile: string;
    function ResultFile: string;
    property RadlynProgram: string read FRadlynProgram;
    property DataFolder: string read FDataFolder;
  end;

const
  RadlynJobFileName = 'RADLYN_in.ini';
  RadlynResultFileName = 'RADLYN_out.ini';
  RadlynErrorClassNames: array[TRadlynErrorClass] of string =
    ('None', 'Retry', 'FixJob', 'FixSetup', 'CallSupport', 'NoJobRan');

{ S in the ANSI code page Radlyn reads; False when a character has no place in it. }
function RadlynToAnsi(const S: string; out Bytes: AnsiString): Boolean;
{ Text of the ANSI code page as the program's string. }
function RadlynFromAnsi(const Bytes: AnsiString): string;
{ Reads a result file Radlyn wrote (a missing one, or one without ErrorNr: no job ran); the
  caller frees it. }
function RadlynReadResult(const ResultFile: string): TRadlynResult;

implementation

const
  CRLF = #13#10;
  // The longest output folder Radlyn can write its probe file in, with its trailing separator.
  MaxOutputFolder = 219;

type
  TAdviceRow = record
    Number: Integer;      // -1: any number
    DebugInfo: string;    // a text DebugInfo holds, or '' for any
    ErrorClass: TRadlynErrorClass;
    Advice: string;
  end;

const
  NoJobAdvice = 'Radlyn ran no job (no result file): another Radlyn may still be working; ' +
    'try again when it has ended.';
  NoImageAdvice = 'Radlyn reported no error but delivered no image: check the data folder and ' +
    'the output folder.';

  { The first row that matches decides; the start-up failure carries an operating-system code,
    not one of Radlyn's numbers, so it is known by its DebugInfo alone. }
  AdviceTable: array[0..27] of TAdviceRow = (
    (Number: -1; DebugInfo: 'Error occurred during client initialization'; ErrorClass: recFixSetup;
     Advice: 'Radlyn could not attach to Morlund: check the Morlund installation (radlyn-check), then try again.'),
    (Number: 1; DebugInfo: ''; ErrorClass: recRetry;
     Advice: 'The user cancelled the exposure; offer another try.'),
    (Number: 2; DebugInfo: 'Acquire()'; ErrorClass: recCallSupport;
     Advice: 'Morlund refused the job, or Radlyn had no desktop: see Morlund''s event log, then call support.'),
    (Number: 2; DebugInfo: ''; ErrorClass: recFixJob;
     Advice: 'Radlyn refused the type, tooth, doctor or patient of the job: correct them and try again.'),
    (Number: 7; DebugInfo: ''; ErrorClass: recFixSetup;
     Advice: 'The output folder cannot be created or written: check the folder and the user''s rights.'),
    (Number: 8; DebugInfo: ''; ErrorClass: recFixSetup;
     Advice: 'Radlyn cannot delete a file of its own: remove the file DebugInfo names and check the rights.'),
    (Number: 10; DebugInfo: ''; ErrorClass: recRetry;
     Advice: 'Try again; if it persists, call support.'),
    (Number: 11; DebugInfo: ''; ErrorClass: recRetry;
     Advice: 'Close other programs and try again.'),
    (Number: 13; DebugInfo: ''; ErrorClass: recFixSetup;
     Advice: 'Free disk space for the output folder (or reconnect its drive), then try again.'),
    (Number: 14; DebugInfo: ''; ErrorClass: recRetry; Advice: 'Try again.'),
    (Number: 19; DebugInfo: ''; ErrorClass: recRetry;
     Advice: 'Check that the X-ray unit is connected and switched on, then try again.'),
    (Number: 20; DebugInfo: 'Image files in output folder'; ErrorClass: recFixSetup;
     Advice: 'Images lie in the output folder: move them into the archive, then try again.'),
    (Number: 20; DebugInfo: ''; ErrorClass: recFixSetup;
     Advice: 'Morlund''s configuration is wrong: fix the set-up.'),
    (Number: 21; DebugInfo: ''; ErrorClass: recRetry; Advice: 'Connect the sensor and try again.'),
    (Number: 22; DebugInfo: ''; ErrorClass: recRetry;
     Advice: 'Check the sensor''s power and try again.'),
    (Number: 23; DebugInfo: ''; ErrorClass: recCallSupport;
     Advice: 'The sensor is not valid: check its set-up or call support.'),
    (Number: 24; DebugInfo: ''; ErrorClass: recCallSupport;
     Advice: 'The sensor''s files are missing or corrupt: check its set-up or call support.'),
    (Number: 27; DebugInfo: ''; ErrorClass: recRetry;
     Advice: 'Try again; if it persists, call support.'),
    (Number: 28; DebugInfo: ''; ErrorClass: recRetry;
     Advice: 'The X-ray unit is in use: wait until the other acquisition has finished, then try again.'),
    (Number: 29; DebugInfo: ''; ErrorClass: recFixSetup; Advice: 'Update Morlund''s components.'),
    (Number: 30; DebugInfo: ''; ErrorClass: recRetry; Advice: 'Check the network and try again.'),
    (Number: 31; DebugInfo: ''; ErrorClass: recRetry;
     Advice: 'The image could not be written: check the output folder and try again; if it persists, call support.'),
    (Number: 32; DebugInfo: ''; ErrorClass: recRetry; Advice: 'Try again.'),
    (Number: 33; DebugInfo: ''; ErrorClass: recRetry;
     Advice: 'Check the X-ray unit''s cable and try again.'),
    (Number: 34; DebugInfo: ''; ErrorClass: recRetry;
     Advice: 'Reconnect the X-ray unit and try again.'),
    (Number: 36; DebugInfo: ''; ErrorClass: recFixJob;
     Advice: 'The output folder''s path is too long: choose a shorter one.'),
    (Number: 99; DebugInfo: 'Invalid datetime format'; ErrorClass: recFixJob;
     Advice: 'The birth date is no real date YYYYMMDD: correct it and try again.'),
    (Number: -1; DebugInfo: ''; ErrorClass: recCallSupport;
     Advice: 'Call support with DebugInfo and Morlund''s event log.'));

{ The code page }

{$IFDEF MSWINDOWS}

const
  CodePageUtf8 = 65001;
  NoBestFitChars = $400;  // WC_NO_BEST_FIT_CHARS: "Ł" must not become "L" unnoticed

function RadlynToAnsi(const S: string; out Bytes: AnsiString): Boolean;
var
  Wide: WideString;
  Flags: DWORD;
  Size: Integer;
  UsedDefault: BOOL;
  UsedDefaultPointer: Pointer;
begin
  Bytes := '';
  Result := True;
  if S = '' then Exit;
  Wide := S;  // from the ANSI code page or UTF-16, whichever string is
  Flags := NoBestFitChars;
  UsedDefault := False;
  UsedDefaultPointer := @UsedDefault;
  if GetACP = CodePageUtf8 then
  begin
    Flags := 0;
    UsedDefaultPointer := nil;
  end;
  Size := WideCharToMultiByte(CP_ACP, Flags, PWideChar(Wide), Length(Wide), nil, 0, nil,
    UsedDefaultPointer);
  SetLength(Bytes, Size);
  if Size > 0 then
    WideCharToMultiByte(CP_ACP, Flags, PWideChar(Wide), Length(Wide), PAnsiChar(Bytes), Size, nil,
      UsedDefaultPointer);
  Result := (Size > 0) and not UsedDefault;
end;

function RadlynFromAnsi(const Bytes: AnsiString): string;
var
  Wide: WideString;
  Size: Integer;
begin
  Result := '';
  if Bytes = '' then Exit;
  Size := MultiByteToWideChar(CP_ACP, 0, PAnsiChar(Bytes), Length(Bytes), nil, 0);
  SetLength(Wide, Size);
  if Size > 0 then
    MultiByteToWideChar(CP_ACP, 0, PAnsiChar(Bytes), Length(Bytes), PWideChar(Wide), Size);
  Result := Wide;
end;

{$ELSE}

{ Windows-1252 by hand, so that no wide-string manager (cwstring) is needed: 00-7F and A0-FF are
  the Unicode code points themselves, 80-9F these (an unassigned byte stands for itself, as on
  Windows). }
const
  Cp1252High: array[$80..$9F] of Word = (
    $20AC, $0081, $201A, $0192, $201E, $2026, $2020, $2021,
    $02C6, $2030, $0160, $2039, $0152, $008D, $017D, $008F,
    $0090, $2018, $2019, $201C, $201D, $2022, $2013, $2014,
    $02DC, $2122, $0161, $203A, $0153, $009D, $017E, $0178);

procedure CheckCodePage;
var
  Configured: string;
begin
  Configured := GetEnvironmentVariable('RADLYN_ANSI_CODE_PAGE');
  if (Configured <> '') and (Configured <> '1252') then
    raise ERadlyn.Create('RadlynClient writes Windows-1252 only, but RADLYN_ANSI_CODE_PAGE is ' +
      Configured);
end;

function RadlynToAnsi(const S: string; out Bytes: AnsiString): Boolean;
var
  I, Count, Length8: Integer;
  Code: Cardinal;
  B: Byte;
  Found: Boolean;
begin
  Result := False;
  SetLength(Bytes, Length(S));
  Count := 0;
  I := 1;
  Length8 := Length(S);
  while I <= Length8 do
  begin
    B := Ord(S[I]);
    if B < $80 then begin Code := B; Inc(I); end
    else if (B and $E0 = $C0) and (I + 1 <= Length8) then
    begin
      Code := (B and $1F) shl 6 or (Ord(S[I + 1]) and $3F);
      Inc(I, 2);
    end
    else if (B and $F0 = $E0) and (I + 2 <= Length8) then
    begin
      Code := (B and $0F) shl 12 or (Ord(S[I + 1]) and $3F) shl 6 or (Ord(S[I + 2]) and $3F);
      Inc(I, 3);
    end
    else Exit;  // not UTF-8, or beyond the Basic Multilingual Plane: no Windows-1252 character
    Found := (Code < $80) or ((Code >= $A0) and (Code <= $FF));
    if not Found then
      for B := Low(Cp1252High) to High(Cp1252High) do
        if Cp1252High[B] = Code then
        begin
          Code := B;
          Found := True;
          Break;
        end;
    if not Found then Exit;
    Inc(Count);
    Bytes[Count] := AnsiChar(Code);
  end;
  SetLength(Bytes, Count);
  Result := True;
end;

function RadlynFromAnsi(const Bytes: AnsiString): string;
var
  I, Count: Integer;
  Code: Word;
  Text: string;

  procedure Put(C: Integer);
  begin
    Inc(Count);
    Text[Count] := Char(C);
  end;

begin
  SetLength(Text, Length(Bytes) * 3);
  Count := 0;
  for I := 1 to Length(Bytes) do
  begin
    Code := Ord(Bytes[I]);
    if (Code >= $80) and (Code <= $9F) then Code := Cp1252High[Code];
    if Code < $80 then Put(Code)
    else if Code < $800 then
    begin
      Put($C0 or (Code shr 6));
      Put($80 or (Code and $3F));
    end
    else
    begin
      Put($E0 or (Code shr 12));
      Put($80 or ((Code shr 6) and $3F));
      Put($80 or (Code and $3F));
    end;
  end;
  SetLength(Text, Count);
  Result := Text;
end;

{$ENDIF}

function ToAnsiOrFail(const Field, Value: string): AnsiString;
begin
  if not RadlynToAnsi(Value, Result) then
    raise ERadlynJob.CreateField(Field, '''' + Value +
      ''' holds a character the workstation''s ANSI code page cannot write');
end;

{ ERadlynJob }

constructor ERadlynJob.CreateField(const AField, AProblem: string);
begin
  inherited Create('Job field ' + AField + ': ' + AProblem);
  FField := AField;
end;

{ TRadlynJob }

constructor TRadlynJob.Create;
begin
  inherited Create;
  TakeType := 'XI';
  FileFormat := 'tif';
  Assure8Bit := True;
  DoAutoPostProc := True;
end;

{ A value goes into one INI line: no line breaks or other control characters, no blanks at its
  ends (an INI reader drops them), every character in the code page, within the limit. }
procedure CheckText(const Field, Value: string; Limit: Integer);
var
  I: Integer;
  Bytes: AnsiString;
begin
  for I := 1 to Length(Value) do
    if (Value[I] < ' ') or (Value[I] = #127) then
      raise ERadlynJob.CreateField(Field, 'holds a line break or another control character');
  if Trim(Value) <> Value then
    raise ERadlynJob.CreateField(Field, 'begins or ends with a blank');
  Bytes := ToAnsiOrFail(Field, Value);
  if Length(Bytes) > Limit then
    raise ERadlynJob.CreateField(Field, '''' + Value + ''' is ' + IntToStr(Length(Bytes)) +
      ' characters long, more than ' + IntToStr(Limit));
end;

function IsTooth(const Regio: string): Boolean;
begin
  Result := (Length(Regio) = 2) and (Regio[1] >= '1') and (Regio[1] <= '8') and
    (Regio[2] >= '1') and
    (((Regio[1] <= '4') and (Regio[2] <= '8')) or ((Regio[1] >= '5') and (Regio[2] <= '5')));
end;

function IsDate(const Date: string): Boolean;
var
  I: Integer;
  Parsed: TDateTime;
begin
  Result := False;
  if Length(Date) <> 8 then Exit;
  for I := 1 to 8 do
    if (Date[I] < '0') or (Date[I] > '9') then Exit;
  Result := TryEncodeDate(StrToInt(Copy(Date, 1, 4)), StrToInt(Copy(Date, 5, 2)),
    StrToInt(Copy(Date, 7, 2)), Parsed) and (StrToInt(Copy(Date, 1, 4)) >= 100);
end;

procedure TRadlynJob.Validate;

  procedure RefuseFolder(const Problem: string);
  begin
    raise ERadlynJob.CreateField('ImageDataPath', '''' + ImageDataPath + ''' ' + Problem);
  end;

var
  I: Integer;
  Drive: Boolean;
begin
  {$IFNDEF MSWINDOWS}
  CheckCodePage;
  {$ENDIF}
  CheckText('ClientName', ClientName, 259);
  if ClientName = '' then raise ERadlynJob.CreateField('ClientName', 'must not be empty');
  CheckText('TakeType', TakeType, 4);
  if (TakeType <> 'XI') and (TakeType <> 'XP') and (TakeType <> 'XC') and (TakeType <> 'XS') then
    raise ERadlynJob.CreateField('TakeType', 'must be XI, XP, XC or XS, not ''' + TakeType + '''');
  CheckText('Regio', Regio, 16);
  if (Regio <> '') and ((TakeType = 'XI') or (TakeType = 'XS')) and not IsTooth(Regio) then
    raise ERadlynJob.CreateField('Regio', '''' + Regio +
      ''' is no tooth in two-digit ISO 3950 notation');
  if (Regio <> '') and ((TakeType = 'XP') or (TakeType = 'XC')) and (Length(Regio) <> 2) then
    raise ERadlynJob.CreateField('Regio', 'a program number has exactly two characters');
  CheckText('Doc', Doc, 13);
  CheckText('FirstName', FirstName, 32);
  CheckText('LastName', LastName, 32);
  CheckText('PatientID', PatientID, 19);
  CheckText('BirthDate', BirthDate, 8);
  if not IsDate(BirthDate) then
    raise ERadlynJob.CreateField('BirthDate', '''' + BirthDate +
      ''' is no real date YYYYMMDD from the year 100 on');
  if not SameText(FileFormat, 'tif') and not SameText(FileFormat, 'bmp') then
    raise ERadlynJob.CreateField('FileFormat', 'must be tif or bmp');
  if ImageDataPath = '' then Exit;
  CheckText('ImageDataPath', ImageDataPath, MaxOutputFolder - 1);
  Drive := (Length(ImageDataPath) >= 3) and (ImageDataPath[2] = ':') and
    (UpCase(ImageDataPath[1]) >= 'A') and (UpCase(ImageDataPath[1]) <= 'Z') and
    ((ImageDataPath[3] = '\') or (ImageDataPath[3] = '/'));
  if not Drive and (ImageDataPath[1] <> '\') and (ImageDataPath[1] <> '/') and
    (ImageDataPath[1] <> '%') then
    RefuseFolder('is not an absolute path');
  if (ImageDataPath[1] = '\') and (Copy(ImageDataPath, 1, 2) <> '\\') then
    RefuseFolder('is not an absolute path');
  for I := 1 to Length(ImageDataPath) do
    if (Pos(ImageDataPath[I], '<>|"?*') > 0) or ((ImageDataPath[I] = ':') and not (Drive and (I = 2))) then
      RefuseFolder('holds ''' + ImageDataPath[I] + ''', which Windows refuses in a folder name');
end;

function TRadlynJob.IniText: string;
const
  Flag: array[Boolean] of string = ('0', '1');
begin
  Result := '[Logon]' + CRLF + 'ClientName=' + ClientName + CRLF +
    '[Info]' + CRLF + 'Type=' + TakeType + CRLF + 'Regio=' + Regio + CRLF + 'Doc=' + Doc + CRLF +
    '[Patient]' + CRLF + 'FirstName=' + FirstName + CRLF + 'LastName=' + LastName + CRLF +
    'ID=' + PatientID + CRLF + 'Birthdate=' + BirthDate + CRLF +
    '[Config]' + CRLF;
  if ImageDataPath <> '' then Result := Result + 'ImageDataPath=' + ImageDataPath + CRLF;
  Result := Result + 'FileFormat=' + FileFormat + CRLF + 'fAssure8Bit=' + Flag[Assure8Bit] + CRLF +
    'fDoAutoPostProc=' + Flag[DoAutoPostProc] + CRLF;
end;

{ Files }

function ReadWholeFile(const Path: string): AnsiString;
var
  Stream: TFileStream;
begin
  Stream := TFileStream.Create(Path, fmOpenRead or fmShareDenyNone);
  try
    SetLength(Result, Integer(Stream.Size));
    if Length(Result) > 0 then Stream.ReadBuffer(Result[1], Length(Result));
  finally
    Stream.Free;
  end;
end;

procedure WriteWholeFile(const Path: string; const Bytes: AnsiString);
var
  Stream: TFileStream;
begin
  Stream := TFileStream.Create(Path, fmCreate);
  try
    if Length(Bytes) > 0 then Stream.WriteBuffer(Bytes[1], Length(Bytes));
  finally
    Stream.Free;
  end;
end;

function TrimFolder(const Folder: string): string;
begin
  // A quoted command-line value must not end in a backslash, which would escape the quote.
  Result := Folder;
  while (Length(Result) > 3) and ((Result[Length(Result)] = '\') or (Result[Length(Result)] = '/')) do
    SetLength(Result, Length(Result) - 1);
end;

{ TRadlynResult }

function TRadlynResult.Succeeded: Boolean;
begin
  Result := ErrorClass = recNone;
end;

{ Moves Source to Target unless Target exists; True when moved. }
function MoveWithoutReplacing(const Source, Target: string): Boolean;
begin
  {$IFDEF MSWINDOWS}
  Result := MoveFileEx(PChar(Source), PChar(Target), MOVEFILE_COPY_ALLOWED or MOVEFILE_WRITE_THROUGH);
  {$ELSE}
  // A hard link is made only where no file has the name; then the old name goes.
  Result := FpLink(PChar(Source), PChar(Target)) = 0;
  if Result then FpUnlink(PChar(Source));
  {$ENDIF}
end;

function TRadlynResult.ArchiveImage(const ArchiveFolder: string): string;
var
  Name, Stem, Extension: string;
  Dot, Attempt: Integer;
begin
  if not Succeeded then raise ERadlyn.Create('There is no image to archive: ' + Advice);
  ForceDirectories(ArchiveFolder);
  Name := Copy(ImagePath, LastDelimiter('\/', ImagePath) + 1, MaxInt);
  Dot := LastDelimiter('.', Name);
  if Dot = 0 then Dot := Length(Name) + 1;
  Stem := Copy(Name, 1, Dot - 1);
  Extension := Copy(Name, Dot, MaxInt);
  for Attempt := 0 to 999 do
  begin
    Result := IncludeTrailingPathDelimiter(ArchiveFolder) + Stem + Extension;
    if Attempt > 0 then
      Result := IncludeTrailingPathDelimiter(ArchiveFolder) + Stem + '_' + IntToStr(Attempt) + Extension;
    if FileExists(Result) or DirectoryExists(Result) then Continue;
    if MoveWithoutReplacing(ImagePath, Result) then Exit;
    if not (FileExists(Result) and FileExists(ImagePath)) then
      raise ERadlyn.Create('The image ''' + ImagePath + ''' cannot be moved to ''' + Result + '''');
  end;
  raise ERadlyn.Create('The archive folder ''' + ArchiveFolder + ''' has no free name for ''' +
    Name + '''');
end;

type
  TIniEntry = record
    Name: string;  // Section/Key
    Value: string;
  end;
  TIniEntries = array of TIniEntry;

{ Every key of an INI text in file order; Lookup takes the first of a name, as the profile API does. }
function ParseIni(const Text: string): TIniEntries;
var
  Lines: TStringList;
  I, Equals, Count: Integer;
  Line, Section: string;
begin
  Result := nil;
  Lines := TStringList.Create;
  try
    Lines.Text := Text;  // splits at CR LF and at LF
    SetLength(Result, Lines.Count);
    Count := 0;
    Section := '';
    for I := 0 to Lines.Count - 1 do
    begin
      Line := Trim(Lines[I]);
      if (Line <> '') and (Line[1] = '[') and (Line[Length(Line)] = ']') then
        Section := Trim(Copy(Line, 2, Length(Line) - 2))
      else
      begin
        Equals := Pos('=', Line);
        if (Equals <= 1) or (Line[1] = ';') then Continue;
        Result[Count].Name := Section + '/' + Trim(Copy(Line, 1, Equals - 1));
        Result[Count].Value := Trim(Copy(Line, Equals + 1, MaxInt));
        Inc(Count);
      end;
    end;
    SetLength(Result, Count);
  finally
    Lines.Free;
  end;
end;

function Lookup(const Entries: TIniEntries; const Name: string): string;
var
  I: Integer;
begin
  Result := '';
  for I := 0 to High(Entries) do
    if SameText(Entries[I].Name, Name) then
    begin
      Result := Entries[I].Value;
      Exit;
    end;
end;

procedure Classify(R: TRadlynResult);
var
  I: Integer;
begin
  if not R.JobRan then
  begin
    R.ErrorClass := recNoJobRan;
    R.Advice := NoJobAdvice;
  end
  else if R.ErrorNr = 0 then
  begin
    if (R.ImagePath <> '') and FileExists(R.ImagePath) then R.ErrorClass := recNone
    else
    begin
      R.ErrorClass := recFixSetup;
      R.Advice := NoImageAdvice;
    end;
  end
  else
    for I := Low(AdviceTable) to High(AdviceTable) do
      if ((AdviceTable[I].Number = -1) or (AdviceTable[I].Number = R.ErrorNr)) and
        ((AdviceTable[I].DebugInfo = '') or (Pos(AdviceTable[I].DebugInfo, R.DebugInfo) > 0)) then
      begin
        R.ErrorClass := AdviceTable[I].ErrorClass;
        R.Advice := AdviceTable[I].Advice;
        Exit;
      end;
end;

{ A missing file, or one without ErrorNr, means no job ran. }
function RadlynReadResult(const ResultFile: string): TRadlynResult;
var
  Entries: TIniEntries;
  Number: string;
begin
  Entries := nil;
  if FileExists(ResultFile) then Entries := ParseIni(RadlynFromAnsi(ReadWholeFile(ResultFile)));
  Result := TRadlynResult.Create;
  Number := Lookup(Entries, 'Info/ErrorNr');
  Result.JobRan := Number <> '';
  Result.ErrorNr := StrToIntDef(Number, -1);
  if not Result.JobRan then Result.ErrorNr := 0;
  Result.ErrorMsg := Lookup(Entries, 'Info/ErrorMsg');
  Result.DebugInfo := Lookup(Entries, 'Info/DebugInfo');
  Result.TakeType := Lookup(Entries, 'Info/Type');
  Result.Regio := Lookup(Entries, 'Info/Regio');
  Result.Doc := Lookup(Entries, 'Info/Doc');
  Result.XRayTime := Lookup(Entries, 'Info/XRayTime');
  Result.TubeVoltage := Lookup(Entries, 'Info/TubeVoltage');
  Result.TubeCurrent := Lookup(Entries, 'Info/TubeCurrent');
  Result.ImagePath := Lookup(Entries, 'Config/ImageDataPathFile');
  Result.AutoPostProcessed := Lookup(Entries, 'Config/fAutoPostProcessed') = '1';
  Result.FirstName := Lookup(Entries, 'Patient/FirstName');
  Result.LastName := Lookup(Entries, 'Patient/LastName');
  Result.PatientID := Lookup(Entries, 'Patient/ID');
  Result.BirthDate := Lookup(Entries, 'Patient/Birthdate');
  Classify(Result);
end;

{ TRadlynClient }

constructor TRadlynClient.Create(const ARadlynProgram, ADataFolder: string);
begin
  inherited Create;
  FRadlynProgram := ARadlynProgram;
  FDataFolder := TrimFolder(ExpandFileName(ADataFolder));
end;

function TRadlynClient.JobFile: string;
begin
  Result := IncludeTrailingPathDelimiter(FDataFolder) + RadlynJobFileName;
end;

function TRadlynClient.ResultFile: string;
begin
  Result := IncludeTrailingPathDelimiter(FDataFolder) + RadlynResultFileName;
end;

{ An old result would be read as this job's answer when Radlyn runs no job, so it must be gone
  before the start; only "not there" counts. }
procedure TRadlynClient.DeleteOldResult;
begin
  if FileExists(ResultFile) then SysUtils.DeleteFile(ResultFile);
  if FileExists(ResultFile) or DirectoryExists(ResultFile) then
    raise ERadlyn.Create('The old result file ''' + ResultFile + ''' cannot be removed, so Radlyn ' +
      'was not started: another Radlyn may still be running for this data folder, or the data ' +
      'folder is read-only or the user lacks the rights to it.');
end;

procedure TRadlynClient.WriteJobFile(Job: TRadlynJob);
var
  Bytes: AnsiString;
begin
  // One write of the whole file: no key of an earlier job survives, and no byte-order mark.
  Bytes := ToAnsiOrFail('job', Job.IniText);
  try
    WriteWholeFile(JobFile, Bytes);
  except
    on E: Exception do
      raise ERadlyn.Create('The job file ''' + JobFile + ''' cannot be written: ' + E.Message);
  end;
end;

{$IFDEF MSWINDOWS}
// Declared here so that Delphi's and Free Pascal's Windows units, which differ in it, agree.
function WaitForObjectOrMessage(Count: DWORD; Handles: Pointer; WaitAll: BOOL;
  Milliseconds, WakeMask: DWORD): DWORD; stdcall;
  external 'user32.dll' name 'MsgWaitForMultipleObjects';

procedure TRadlynClient.StartAndWait;
var
  CommandLine: string;
  Startup: TStartupInfo;
  Process: TProcessInformation;
  Woke: DWORD;
  Pending: TMsg;
begin
  CommandLine := '"' + FRadlynProgram + '" "datapath=' + FDataFolder + '"';
  if OwnerWindow <> 0 then
    CommandLine := CommandLine + ' parentwnd=0x' + IntToHex(Int64(OwnerWindow), 8);
  if Assigned(OnStarting) then OnStarting(CommandLine);
  FillChar(Startup, SizeOf(Startup), 0);
  Startup.cb := SizeOf(Startup);
  UniqueString(CommandLine);  // CreateProcessW may write into it
  if not CreateProcess(nil, PChar(CommandLine), nil, nil, False, 0, nil, nil, Startup, Process) then
    raise ERadlyn.Create('Radlyn ''' + FRadlynProgram + ''' did not start: ' +
      SysErrorMessage(GetLastError));
  CloseHandle(Process.hThread);
  // No time limit: the exposure waits for a person at the X-ray unit. The thread's messages are
  // handled meanwhile, or Morlund's dialogs owned by the window would stop answering too.
  if OwnerWindow <> 0 then EnableWindow(OwnerWindow, False);
  try
    repeat
      Woke := WaitForObjectOrMessage(1, @Process.hProcess, False, INFINITE, QS_ALLINPUT);
      if Woke = WAIT_OBJECT_0 + 1 then
        while PeekMessage(Pending, 0, 0, 0, PM_REMOVE) do
        begin
          if Pending.message = WM_QUIT then
          begin
            // The program is closing: let Radlyn end, then hand the quit on to the main loop.
            WaitForSingleObject(Process.hProcess, INFINITE);
            PostQuitMessage(Integer(Pending.wParam));
            Woke := WAIT_OBJECT_0;
            Break;
          end;
          TranslateMessage(Pending);
          DispatchMessage(Pending);
        end
      else if Woke <> WAIT_OBJECT_0 then
        WaitForSingleObject(Process.hProcess, INFINITE);
    until Woke <> WAIT_OBJECT_0 + 1;
  finally
    if OwnerWindow <> 0 then EnableWindow(OwnerWindow, True);
    CloseHandle(Process.hProcess);
  end;
end;
{$ELSE}
procedure TRadlynClient.StartAndWait;
var
  Arguments: array of AnsiString;
  Pointers: array of PAnsiChar;
  CommandLine: string;
  I: Integer;
  Child: TPid;
  Status: cint;
begin
  SetLength(Arguments, 2);
  Arguments[0] := FRadlynProgram;
  Arguments[1] := 'datapath=' + FDataFolder;
  CommandLine := '"' + FRadlynProgram + '" "' + Arguments[1] + '"';
  if OwnerWindow <> 0 then
  begin
    SetLength(Arguments, 3);
    Arguments[2] := 'parentwnd=0x' + IntToHex(Int64(OwnerWindow), 8);
    CommandLine := CommandLine + ' ' + Arguments[2];
  end;
  if FpAccess(PChar(FRadlynProgram), X_OK) <> 0 then
    raise ERadlyn.Create('Radlyn ''' + FRadlynProgram + ''' did not start: no program there');
  SetLength(Pointers, Length(Arguments) + 1);
  for I := 0 to High(Arguments) do Pointers[I] := PAnsiChar(Arguments[I]);
  Pointers[Length(Arguments)] := nil;
  if Assigned(OnStarting) then OnStarting(CommandLine);
  Child := FpFork;
  if Child < 0 then raise ERadlyn.Create('Radlyn did not start: no process (fork)');
  if Child = 0 then
  begin
    FpExecv(Pointers[0], @Pointers[0]);
    FpExit(127);
  end;
  // No time limit: the exposure waits for a person at the X-ray unit.
  while (FpWaitPid(Child, @Status, 0) < 0) and (FpGetErrno = ESysEINTR) do;
end;
{$ENDIF}

function TRadlynClient.Run(Job: TRadlynJob): TRadlynResult;
var
  Ignored: AnsiString;
begin
  Job.Validate;
  if not RadlynToAnsi(FDataFolder, Ignored) then
    raise ERadlyn.Create('The data folder ''' + FDataFolder +
      ''' holds a character the workstation''s ANSI code page cannot write');
  if Pos('"', FDataFolder) > 0 then
    raise ERadlyn.Create('The data folder ''' + FDataFolder + ''' holds a quote');
  if not DirectoryExists(FDataFolder) then
    raise ERadlyn.Create('The data folder ''' + FDataFolder +
      ''' does not exist (Radlyn does not create it).');
  DeleteOldResult;
  WriteJobFile(Job);
  StartAndWait;
  Result := RadlynReadResult(ResultFile);
end;

end.
