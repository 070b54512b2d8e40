{ Answers the lines of kit_cases.txt through the Object Pascal unit, one answer line per case line. }
program KitCheck;

{$MODE DELPHI}

uses
  SysUtils, Classes, RadlynClient;

function CheckJob(const Assignments: string): string;
var
  Job: TRadlynJob;
  Parts: TStringList;
  I: Integer;
  Field, Value: string;
begin
  Job := TRadlynJob.Create;
  Parts := TStringList.Create;
  try
    Job.ClientName := 'SampleClient';
    Job.Regio := '36';
    Job.BirthDate := '19700305';
    Parts.Delimiter := ';';
    Parts.StrictDelimiter := True;
    Parts.DelimitedText := Assignments;
    Field := '';
    for I := 0 to Parts.Count - 1 do
    begin
      if Pos('=', Parts[I]) = 0 then Continue;
      Field := Copy(Parts[I], 1, Pos('=', Parts[I]) - 1);
      Value := StringReplace(Copy(Parts[I], Pos('=', Parts[I]) + 1, MaxInt), '\t', #9, [rfReplaceAll]);
      if Field = 'ClientName' then Job.ClientName := Value
      else if Field = 'Type' then begin Job.TakeType := Value; Field := 'TakeType'; end
      else if Field = 'Regio' then Job.Regio := Value
      else if Field = 'Doc' then Job.Doc := Value
      else if Field = 'LastName' then Job.LastName := Value
      else if Field = 'ID' then begin Job.PatientID := Value; Field := 'PatientID'; end
      else if Field = 'Birthdate' then begin Job.BirthDate := Value; Field := 'BirthDate'; end
      else if Field = 'ImageDataPath' then Job.ImageDataPath := Value
      else if Field = 'FileFormat' then Job.FileFormat := Value
      else begin Result := 'unknown field ' + Field; Exit; end;
    end;
    try
      Job.Validate;
      Result := 'ok';
    except
      on E: ERadlynJob do
        if E.Field = Field then Result := 'refused' else Result := 'refused ' + E.Field;
    end;
  finally
    Parts.Free;
    Job.Free;
  end;
end;

function Ansi(const Text: string): string;
var
  Bytes: AnsiString;
  I: Integer;
begin
  if not RadlynToAnsi(Text, Bytes) then Result := 'none'
  else if RadlynFromAnsi(Bytes) <> Text then Result := 'changed'
  else if Bytes = '' then Result := '-'
  else
  begin
    Result := '';
    for I := 1 to Length(Bytes) do Result := Result + IntToHex(Ord(Bytes[I]), 2);
  end;
end;

function ReadResult(const Text, Folder: string): string;
var
  FileName: string;
  Bytes: AnsiString;
  Stream: TFileStream;
  Outcome: TRadlynResult;
begin
  FileName := IncludeTrailingPathDelimiter(Folder) + 'RADLYN_out.ini';
  DeleteFile(FileName);
  if Text <> '-' then
  begin
    RadlynToAnsi(StringReplace(Text, '\n', #13#10, [rfReplaceAll]), Bytes);
    Stream := TFileStream.Create(FileName, fmCreate);
    Stream.WriteBuffer(Bytes[1], Length(Bytes));
    Stream.Free;
  end;
  Outcome := RadlynReadResult(FileName);
  Result := RadlynErrorClassNames[Outcome.ErrorClass] + ' ' + IntToStr(Outcome.ErrorNr) + ' ' +
    Outcome.LastName;
  Outcome.Free;
end;

var
  Line, Kind, Rest: string;
begin
  while not Eof(Input) do
  begin
    ReadLn(Line);
    Kind := Copy(Line, 1, Pos('|', Line) - 1);
    Rest := Copy(Line, Pos('|', Line) + 1, MaxInt);
    Rest := Copy(Rest, 1, Pos('|', Rest) - 1);
    if Kind = 'job' then WriteLn(CheckJob(Rest))
    else if Kind = 'ansi' then WriteLn(Ansi(Rest))
    else if Kind = 'result' then WriteLn(ReadResult(Rest, ParamStr(1)));
  end;
end.
