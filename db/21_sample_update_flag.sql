/* Marks a sample as changed since its last XML export.

   On every insert and update that does not come from the synchronisation (IS_SYNCING null or not
   'T'): an empty FLAG_RETURNED_FROM_LAB becomes 'F'; unless the writer set
   FLAG_RESET_EXPORT_UPDATE_FLAG to 'T' (the XML export clearing the mark in the same update),
   FLAG_UPDATED_SINCE_EXPORT becomes 'T'; FLAG_RESET_EXPORT_UPDATE_FLAG always ends 'F', so the
   suppression lasts for that one write. A reset flag that is null (or anything but 'T') counts as
   not set, so such a write marks the sample too.

   The structure upgrade re-creates this trigger with exactly the statement below (terminator "^");
   keep the two identical and raise the version line when the body changes. It runs at position 10,
   before the synchronisation trigger SAMPLE_SYNC (position 20) clears IS_SYNCING. */

SET TERM ^ ;

CREATE OR ALTER TRIGGER SAMPLE_SET_UPDATE_FLAG FOR SAMPLE
ACTIVE BEFORE INSERT OR UPDATE POSITION 10
AS
BEGIN
  /* Version 4 */
  IF (NEW.IS_SYNCING IS DISTINCT FROM 'T') THEN
  BEGIN
    IF (NEW.FLAG_RETURNED_FROM_LAB IS NULL) THEN
      NEW.FLAG_RETURNED_FROM_LAB = 'F';
    IF (NEW.FLAG_RESET_EXPORT_UPDATE_FLAG IS DISTINCT FROM 'T') THEN
      NEW.FLAG_UPDATED_SINCE_EXPORT = 'T';
    NEW.FLAG_RESET_EXPORT_UPDATE_FLAG = 'F';
  END
END^

SET TERM ; ^
COMMIT;
